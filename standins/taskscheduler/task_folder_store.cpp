#include "task_folder_store.h"

#include "task_xml.h"
#include "text_file.h"

namespace {

HRESULT LastError(BOOL succeeded) { return succeeded ? S_OK : HRESULT_FROM_WIN32(GetLastError()); }

}  // namespace

void TaskFolderStore::Load(TaskSchedulerModel& model) const {
    CreateDirectoryW(root_.c_str(), nullptr);
    LoadFolder(model, L"\\");
}

void TaskFolderStore::LoadFolder(TaskSchedulerModel& model, const std::wstring& folder) const {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((FileOf(folder) + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        std::wstring path = JoinTaskPath(folder, name);
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            model.AddFolder(path);
            LoadFolder(model, path);
        } else {
            std::string bytes;
            ReadWholeFile(FileOf(path), &bytes);
            model.AddTask(folder, name, IsHiddenTask(TaskFileText(bytes)));
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

HRESULT TaskFolderStore::CreateFolder(const std::wstring& path) {
    return LastError(CreateDirectoryW(FileOf(path).c_str(), nullptr));
}

HRESULT TaskFolderStore::DeleteFolder(const std::wstring& path) {
    return LastError(RemoveDirectoryW(FileOf(path).c_str()));
}

HRESULT TaskFolderStore::SaveTask(const std::wstring& path, const TaskModel& task) {
    return WriteWholeFile(FileOf(path), TaskFileBytes(TaskXml(path, task)));
}

HRESULT TaskFolderStore::DeleteTask(const std::wstring& path) { return LastError(DeleteFileW(FileOf(path).c_str())); }

std::wstring SystemTasksFolder() {
    wchar_t windows[MAX_PATH] = {};
    UINT length = GetSystemWindowsDirectoryW(windows, MAX_PATH);
    BOOL wow64 = FALSE;
    IsWow64Process(GetCurrentProcess(), &wow64);
    return std::wstring(windows, length) + (wow64 ? L"\\Sysnative\\Tasks" : L"\\System32\\Tasks");
}
