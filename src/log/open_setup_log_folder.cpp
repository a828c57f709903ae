#include "log/log_paths.h"

bool OpenSetupLogFolder(LogFolder& folder, bool createMissing) {
    wchar_t ntPath[MAX_PATH + 8];
    if (!GetLocalAppDataFolder(folder.path) || !ToNtPath(folder.path, ntPath)) return false;
    // The application-data folder itself is followed wherever it leads (an
    // administrator may have moved the profile to another drive); the levels
    // below it must then lie inside it.
    return OpenBaseFolder(folder, ntPath) && GetFinalPath(folder.base.get(), folder.finalPath) &&
           OpenFolderLevels(folder, kSetupLogFolders, createMissing);
}
