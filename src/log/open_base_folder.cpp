#include "log/log_paths.h"

bool OpenBaseFolder(LogFolder& folder, const wchar_t* ntPath) {
    return OpenLogEntry(folder.run, folder.base, nullptr, ntPath, EntryKind::Folder, Disposition::OpenExisting);
}
