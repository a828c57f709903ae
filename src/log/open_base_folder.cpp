#include "log/log_paths.h"

bool OpenBaseFolder(LogFolder& folder, const wchar_t* path) {
    return OpenLogEntry(folder.base, nullptr, path, EntryKind::Folder, Disposition::OpenExisting);
}
