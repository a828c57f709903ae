#include "log/bounded_format.h"
#include "log/log_paths.h"
#include "log/setup_log.h"
#include "platform/api.h"

int CreateSetupLogFolder() {
    wchar_t path[MAX_PATH];
    if (!GetLocalAppDataFolder(path)) return 0;
    for (const wchar_t* folder : kSetupLogFolders) {
        if (!BoundedAppendW(path, MAX_PATH, folder)) return 0;
        if (!PathPresent(path) && !api().CreateDirectoryW(path, nullptr)) return 0;
    }
    return 1;
}
