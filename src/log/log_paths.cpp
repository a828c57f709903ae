#include <wchar.h>

#include "log/log_paths.h"

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
