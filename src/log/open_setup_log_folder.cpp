#include "log/log_paths.h"

bool OpenSetupLogFolder(LogFolder& folder, bool createMissing) {
    if (!GetLocalAppDataFolder(folder.path)) return false;
    // The application-data folder itself is followed wherever it leads (an
    // administrator may have moved the profile to another drive); the levels
    // below it must then lie inside it.
    return OpenBaseFolder(folder, folder.path) && GetFinalPath(folder.base.get(), folder.finalPath) &&
           OpenFolderLevels(folder, kSetupLogFolders, createMissing);
}
