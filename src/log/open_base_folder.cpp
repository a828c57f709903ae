#include "log/log_paths.h"

bool OpenBaseFolder(LogFolder& folder, const wchar_t* ntPath) {
    bool created;  // never: the base folder is only opened
    return OpenLogEntry(folder.run, folder.base, nullptr, ntPath, EntryKind::Folder, Disposition::OpenExisting,
                        created);
}
