#include "log/log_paths.h"

bool OpenFolderLevels(LogFolder& folder, const wchar_t* const (&levels)[2], bool createMissing) {
    const Disposition disposition = createMissing ? Disposition::CreateIfMissing : Disposition::OpenExisting;
    HANDLE above = folder.base.get();
    for (size_t i = 0; i < 2; ++i) {
        if (!AppendName(folder.path, levels[i]) || !AppendName(folder.finalPath, levels[i])) return false;
        // Made in the level above when missing; a level that another program
        // makes meanwhile is opened and checked like any other.
        FileHandle& level = folder.levels[i];
        BY_HANDLE_FILE_INFORMATION info;
        if (!OpenCheckedEntry(folder.run, level, above, levels[i], EntryKind::Folder, disposition, folder.finalPath,
                              info))
            return false;
        above = level.get();
    }
    return true;
}
