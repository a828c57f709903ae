#include "log/log_paths.h"

bool OpenSetupLogFolder(LogFolder& folder, bool createMissing) {
    if (!GetLocalAppDataFolder(folder.path)) return false;
    // The application-data folder itself is followed wherever it leads (an
    // administrator may have moved the profile to another drive); the levels
    // below it must then lie inside it.
    folder.base.reset(api().CreateFileW(folder.path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return folder.base && GetFinalPath(folder.base.get(), folder.finalPath) &&
           OpenFolderLevels(folder, kSetupLogFolders, createMissing);
}
