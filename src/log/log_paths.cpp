#include <wchar.h>

#include "log/bounded_format.h"
#include "log/log_paths.h"

// Zero at start-up, without any initialiser running.
LogRun setupLogRun;
LogRun prevaultLogRun;

bool GetLocalAppDataFolder(wchar_t (&path)[MAX_PATH]) {
    path[0] = L'\0';
    return api().SHGetSpecialFolderPathW(nullptr, path, CSIDL_LOCAL_APPDATA, FALSE) && path[0];
}

bool AppendName(wchar_t (&path)[MAX_PATH], const wchar_t* name) {
    const size_t used = wcslen(path);
    if (used + 1 + wcslen(name) >= MAX_PATH) return false;
    path[used] = L'\\';
    wcscpy(path + used + 1, name);
    return true;
}

bool ToNtPath(const wchar_t* path, wchar_t (&ntPath)[MAX_PATH + 8]) {
    const bool unc = wcsncmp(path, L"\\\\", 2) == 0;
    return BoundedFormatW(ntPath, MAX_PATH + 8, unc ? L"\\??\\UNC\\%s" : L"\\??\\%s", unc ? path + 2 : path);
}
