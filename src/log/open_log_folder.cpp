#include <wchar.h>

#include "log/bounded_format.h"
#include "log/log_writer_steps.h"
#include "log/setup_log.h"

namespace {

// The local application-data folder; false when the shell cannot tell.
bool GetLocalAppDataFolder(wchar_t (&path)[MAX_PATH]) {
    path[0] = L'\0';
    return api().SHGetSpecialFolderPathW(nullptr, path, CSIDL_LOCAL_APPDATA, FALSE) && path[0];
}

// "\??\C:\..." or "\??\UNC\server\...": a full path as the caller's own
// device map names it. False when it does not fit.
bool ToNtPath(const wchar_t* path, wchar_t (&ntPath)[MAX_PATH + 8]) {
    const bool unc = wcsncmp(path, L"\\\\", 2) == 0;
    return BoundedFormatW(ntPath, MAX_PATH + 8, unc ? L"\\??\\UNC\\%s" : L"\\??\\%s", unc ? path + 2 : path);
}

// Opens the base folder by its object manager name, following links (an
// administrator may have moved the profile): the folder from which the levels
// are reached.
bool OpenBaseFolder(LogFolder& folder, const wchar_t* ntPath) {
    bool created;  // never: the base folder is only opened
    return OpenLogEntry(folder.run, folder.base, nullptr, ntPath, EntryKind::Folder, Disposition::OpenExisting,
                        created);
}

// Appends the levels to the folder, opening and checking each; creates a
// missing level when asked to. False as soon as a level is missing or fails
// its check.
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

}  // namespace

bool AppendName(wchar_t (&path)[MAX_PATH], const wchar_t* name) {
    const size_t used = wcslen(path);
    if (used + 1 + wcslen(name) >= MAX_PATH) return false;
    path[used] = L'\\';
    wcscpy(path + used + 1, name);
    return true;
}

bool OpenSetupLogFolder(LogFolder& folder, bool createMissing) {
    wchar_t ntPath[MAX_PATH + 8];
    if (!GetLocalAppDataFolder(folder.path) || !ToNtPath(folder.path, ntPath)) return false;
    // The application-data folder itself is followed wherever it leads (an
    // administrator may have moved the profile to another drive); the levels
    // below it must then lie inside it.
    return OpenBaseFolder(folder, ntPath) && GetFinalPath(folder.base.get(), folder.finalPath) &&
           OpenFolderLevels(folder, kSetupLogFolders, createMissing);
}

bool OpenPrevaultLogFolder(LogFolder& folder) {
    wcscpy(folder.path, kPrevaultLogDrive);
    wcscpy(folder.finalPath, kPrevaultLogDrive);
    return OpenBaseFolder(folder, kPrevaultLogBase) && OpenFolderLevels(folder, kPrevaultLogFolders, false);
}

// The walk that makes the levels that are missing.
int CreateSetupLogFolder() {
    LogFolder folder(setupLogRun);
    return OpenSetupLogFolder(folder, true) ? 1 : 0;
}
