#include <wchar.h>

#include "log/log_paths.h"

bool GetFinalPath(HANDLE entry, wchar_t (&path)[MAX_PATH]) {
    constexpr DWORD kCapacity = MAX_PATH + 4;  // room for the "\\?\" in front
    wchar_t found[kCapacity];
    DWORD length = api().GetFinalPathNameByHandleW(entry, found, kCapacity, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (length == 0 || length >= kCapacity) return false;
    const wchar_t* start = wcsncmp(found, L"\\\\?\\", 4) == 0 ? found + 4 : found;
    if (wcslen(start) >= MAX_PATH) return false;
    wcscpy(path, start);
    return true;
}

bool CheckOpenedEntry(HANDLE entry, EntryKind kind, const wchar_t* expectedFinalPath,
                      BY_HANDLE_FILE_INFORMATION& info) {
    if (!api().GetFileInformationByHandle(entry, &info)) return false;
    if (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) return false;
    bool folder = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (folder != (kind == EntryKind::Folder)) return false;
    // A second name would make the log another file of the machine as well.
    if (kind == EntryKind::File && info.nNumberOfLinks != 1) return false;
    // A link that the open followed after all (a link of a kind that the flag
    // does not stop) shows here: the file system names where it led.
    wchar_t finalPath[MAX_PATH];
    return GetFinalPath(entry, finalPath) && _wcsicmp(finalPath, expectedFinalPath) == 0;
}
