#include "log/log_paths.h"
#include "platform/steps.h"

bool OpenCheckedEntry(LogRun& run, FileHandle& entry, HANDLE folder, const wchar_t* name, EntryKind kind,
                      Disposition disposition, const wchar_t* expectedFinalPath, BY_HANDLE_FILE_INFORMATION& info) {
    bool created;
    if (!OpenLogEntry(run, entry, folder, name, kind, disposition, created)) return false;
    if (CheckOpenedEntry(entry.get(), kind, expectedFinalPath, info)) return true;
    // Deleted through the handle that made it, when it is closed: never by
    // name, which could lead elsewhere by then. Should the deletion fail, the
    // entry is dropped all the same.
    FILE_DISPOSITION_INFO remove = {TRUE};
    if (created)
        IGNORE_RESULT(api().SetFileInformationByHandle(entry.get(), FileDispositionInfo, &remove, sizeof remove));
    entry.reset();
    return false;
}
