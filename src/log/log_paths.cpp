#include "log/log_paths.h"

bool GetLocalAppDataFolder(wchar_t (&path)[MAX_PATH]) {
    path[0] = L'\0';
    return api().SHGetSpecialFolderPathW(nullptr, path, CSIDL_LOCAL_APPDATA, FALSE) && path[0];
}
