#include "log/bounded_format.h"
#include "log/log_paths.h"
#include "log/setup_log.h"

int WriteSetupLog(const char* message) {
    CreateSetupLogFolder();

    // Without the application-data folder, or with a path too long for its
    // buffer, the entry is dropped rather than written somewhere else.
    wchar_t path[MAX_PATH];
    if (!GetLocalAppDataFolder(path) || !BoundedAppendW(path, MAX_PATH, kSetupLogFile)) return 0;
    return AppendLogEntry(path, message);
}
