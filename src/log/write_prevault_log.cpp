#include <wchar.h>

#include "log/log_paths.h"
#include "log/setup_log.h"

int WritePrevaultLog(const char* message) {
    // The Prevault log is kept only on machines that already have its folder.
    LogFolder folder(prevaultLogRun);
    wcscpy(folder.path, kPrevaultLogDrive);
    wcscpy(folder.finalPath, kPrevaultLogDrive);
    if (!OpenBaseFolder(folder, kPrevaultLogBase) || !OpenFolderLevels(folder, kPrevaultLogFolders, false)) return 0;
    return AppendLogEntry(folder, message);
}
