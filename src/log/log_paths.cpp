#include "log/log_paths.h"

#include "platform/api.h"

bool GetLocalAppDataFolder(wchar_t (&path)[MAX_PATH]) {
    path[0] = L'\0';
    return api().SHGetSpecialFolderPathW(nullptr, path, CSIDL_LOCAL_APPDATA, FALSE) && path[0];
}

bool PathPresent(const wchar_t* path) {
    WIN32_FIND_DATAW found;
    HANDLE search = api().FindFirstFileW(path, &found);
    if (search == INVALID_HANDLE_VALUE) return false;
    api().FindClose(search);
    return true;
}
