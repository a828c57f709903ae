#include "task_scheduler_model.h"

#include "journal_vocabulary.h"

namespace {

std::vector<std::wstring> SplitTaskPath(const std::wstring& path) {
    std::vector<std::wstring> names;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find(L'\\', start);
        if (end == std::wstring::npos) end = path.size();
        if (end > start) names.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return names;
}

// Folder names are plain ASCII in the tests; the call log is narrow.
std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

}  // namespace

VariantArgument RecordVariant(const VARIANT& value) {
    VariantArgument argument;
    argument.type = value.vt;
    if (value.vt == VT_BSTR && value.bstrVal) argument.text = value.bstrVal;
    return argument;
}

std::wstring JoinTaskPath(const std::wstring& folder, const std::wstring& path) {
    if (!path.empty() && path[0] == L'\\') return path;
    if (folder == L"\\") return L"\\" + path;
    return folder + L"\\" + path;
}

std::wstring ParentTaskPath(const std::wstring& path) {
    size_t last = path.find_last_of(L'\\');
    return last == 0 || last == std::wstring::npos ? L"\\" : path.substr(0, last);
}

std::wstring LastTaskName(const std::wstring& path) { return path.substr(path.find_last_of(L'\\') + 1); }

FolderModel* TaskSchedulerModel::FindFolder(const std::wstring& path) {
    FolderModel* folder = &root_;
    for (const std::wstring& name : SplitTaskPath(path)) {
        auto found = folder->folders.find(name);
        if (found == folder->folders.end()) return nullptr;
        folder = found->second.get();
    }
    return folder;
}

FolderModel& TaskSchedulerModel::AddFolder(const std::wstring& path) {
    FolderModel* folder = &root_;
    for (const std::wstring& name : SplitTaskPath(path)) {
        std::unique_ptr<FolderModel>& child = folder->folders[name];
        if (!child) child = std::make_unique<FolderModel>();
        folder = child.get();
    }
    return *folder;
}

TaskModel& TaskSchedulerModel::AddTask(const std::wstring& folder, const std::wstring& name, bool hidden) {
    TaskModel& task = AddFolder(folder).tasks[name];
    task.hidden = hidden;
    return task;
}

const TaskModel* TaskSchedulerModel::FindTask(const std::wstring& folder, const std::wstring& name) {
    FolderModel* holder = FindFolder(folder);
    if (!holder) return nullptr;
    auto found = holder->tasks.find(name);
    return found == holder->tasks.end() ? nullptr : &found->second;
}

void TaskSchedulerModel::Fail(const std::string& call, HRESULT result, const std::wstring& folder) {
    plan_.push_back({call, folder, result});
}

HRESULT TaskSchedulerModel::Enter(const std::string& call, const std::wstring& folder) {
    HRESULT result = S_OK;
    for (const PlannedResult& planned : plan_) {
        if (planned.call == call && (planned.folder.empty() || planned.folder == folder)) {
            result = planned.result;
            break;
        }
    }
    Record(folder.empty() ? call : call + " " + Narrow(folder), result);
    return result;
}

void TaskSchedulerModel::Record(const std::string& step, HRESULT result) {
    calls.push_back(step);
    aliveAt[step] = liveObjects;
    if (onJournalLine) onJournalLine(JournalLine(step, "", result));
}
