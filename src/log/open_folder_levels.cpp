#include "log/bounded_format.h"
#include "log/log_paths.h"

namespace {

HANDLE OpenLevel(const wchar_t* path) {
    return api().CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                             nullptr);
}

}  // namespace

bool OpenFolderLevels(LogFolder& folder, const wchar_t* const (&levels)[2], bool createMissing) {
    for (size_t i = 0; i < 2; ++i) {
        if (!BoundedAppendW(folder.path, MAX_PATH, levels[i]) ||
            !BoundedAppendW(folder.finalPath, MAX_PATH, levels[i]))
            return false;
        FileHandle& level = folder.levels[i];
        level.reset(OpenLevel(folder.path));
        if (!level && createMissing) {
            // The level above is checked and held, so the new folder is made in it.
            if (!api().CreateDirectoryW(folder.path, nullptr)) return false;
            level.reset(OpenLevel(folder.path));
        }
        BY_HANDLE_FILE_INFORMATION info;
        if (!level || !CheckOpenedEntry(level.get(), EntryKind::Folder, folder.finalPath, info))
            return false;
    }
    return true;
}
