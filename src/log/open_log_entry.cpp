#include <wchar.h>

#include "log/bounded_format.h"
#include "log/log_writer_steps.h"
#include "platform/steps.h"

namespace {

constexpr NTSTATUS kOplockBreakInProgress = 0x00000108;                    // STATUS_OPLOCK_BREAK_IN_PROGRESS
constexpr NTSTATUS kInvalidParameter = static_cast<NTSTATUS>(0xC000000D);  // STATUS_INVALID_PARAMETER
constexpr NTSTATUS kNameNotFound = static_cast<NTSTATUS>(0xC0000034);      // STATUS_OBJECT_NAME_NOT_FOUND
constexpr NTSTATUS kNameCollision = static_cast<NTSTATUS>(0xC0000035);     // STATUS_OBJECT_NAME_COLLISION
constexpr NTSTATUS kPathNotFound = static_cast<NTSTATUS>(0xC000003A);      // STATUS_OBJECT_PATH_NOT_FOUND

constexpr wchar_t kMachineNames[] = L"\\GLOBAL??\\";
constexpr size_t kMachineNamesLength = sizeof kMachineNames / sizeof kMachineNames[0] - 1;

// Folders are held for listing and for opening what lies in them, sharing
// everything but deletion, so that they cannot be renamed or removed while
// held. The file is written without sharing, so that no other program writes
// into the middle of an entry.
struct OpenShape {
    ACCESS_MASK access;
    ULONG share;
    ULONG attributes;
    ULONG options;
};
constexpr OpenShape kFolderShape = {FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, 0, FILE_DIRECTORY_FILE};
constexpr OpenShape kFileShape = {GENERIC_WRITE | FILE_READ_ATTRIBUTES | SYNCHRONIZE, 0, FILE_ATTRIBUTE_NORMAL,
                                  FILE_NON_DIRECTORY_FILE};

void SetName(UNICODE_STRING& objectName, const wchar_t* name) {
    objectName.Buffer = const_cast<PWSTR>(name);
    objectName.Length = static_cast<USHORT>(wcslen(name) * sizeof(wchar_t));
    objectName.MaximumLength = objectName.Length;
}

// True when the opened entry is a plain folder or file as asked (no reparse
// point; a file with a single name) and its final path is the expected one
// (compared without regard to case). Fills in what the handle reports.
bool CheckOpenedEntry(HANDLE entry, EntryKind kind, const wchar_t* expectedFinalPath,
                      BY_HANDLE_FILE_INFORMATION& info) {
    if (!api().GetFileInformationByHandle(entry, &info)) return false;
    if (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) return false;
    bool folder = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (folder != (kind == EntryKind::Folder)) return false;
    // A second name would make the log another file of the machine as well.
    if (kind == EntryKind::File && info.nNumberOfLinks != 1) return false;
    // A link that the open followed after all (a link of a kind that the flag
    // does not stop) shows here: the file system names where it led.
    wchar_t finalPath[MAX_PATH];
    return GetFinalPath(entry, finalPath) && _wcsicmp(finalPath, expectedFinalPath) == 0;
}

}  // namespace

bool OpenLogEntry(LogRun& run, FileHandle& entry, HANDLE folder, const wchar_t* name, EntryKind kind,
                  Disposition disposition, bool& created) {
    entry.reset();
    created = false;
    if (run.waitedMs >= kLogWaitBudgetMs) return false;  // the log has waited all it may in this run
    UNICODE_STRING objectName;
    SetName(objectName, name);

    // A server behind the name (a named pipe where a folder was expected)
    // may only identify this program, never act as it.
    SECURITY_QUALITY_OF_SERVICE quality = {sizeof quality, SecurityIdentification, SECURITY_STATIC_TRACKING, FALSE};
    // Below a held folder any reparse point on the way fails the open: a held
    // level that its owner turns into a mount point leads nowhere.
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &objectName, OBJ_CASE_INSENSITIVE | (folder ? OBJ_DONT_REPARSE : 0), folder,
                               nullptr);
    attributes.SecurityQualityOfService = &quality;

    const OpenShape& shape = kind == EntryKind::Folder ? kFolderShape : kFileShape;
    // Below a held folder a link is opened as itself, so that its check refuses
    // it; the base folder itself is followed wherever it leads. The handle is
    // asynchronous, so that a wait for an opportunistic lock can be bounded.
    const ULONG options = shape.options | FILE_COMPLETE_IF_OPLOCKED | (folder ? FILE_OPEN_REPARSE_POINT : 0);
    HANDLE opened = INVALID_HANDLE_VALUE;
    IO_STATUS_BLOCK status = {};
    auto create = [&](ULONG createDisposition) {
        // What this open makes it may have to undo, should its check fail.
        const ACCESS_MASK access = shape.access | (createDisposition == FILE_CREATE ? DELETE : 0);
        return api().NtCreateFile(&opened, access, &attributes, &status, nullptr, shape.attributes, shape.share,
                                  createDisposition, options, nullptr, 0);
    };
    auto open = [&](ULONG createDisposition) {
        NTSTATUS result = create(createDisposition);
        // A Windows older than the flag rejects it; there, and only there, the
        // entry is opened without it.
        if (result == kInvalidParameter && (attributes.Attributes & OBJ_DONT_REPARSE)) {
            attributes.Attributes &= ~OBJ_DONT_REPARSE;
            result = create(createDisposition);
        }
        return result;
    };
    NTSTATUS result = open(FILE_OPEN);
    // Wine has no \GLOBAL??: there the one device map, \??, is the machine's.
    wchar_t callersName[MAX_PATH + 8];
    if (result == kPathNotFound && !folder && wcsncmp(name, kMachineNames, kMachineNamesLength) == 0 &&
        BoundedFormatW(callersName, MAX_PATH + 8, L"\\??\\%s", name + kMachineNamesLength)) {
        SetName(objectName, callersName);
        result = open(FILE_OPEN);
    }
    // An entry is made only where no name is at all, since making one never
    // follows a link; one that another program makes meanwhile is opened.
    if (disposition == Disposition::CreateIfMissing && result == kNameNotFound) {
        result = open(FILE_CREATE);
        if (result == kNameCollision) result = open(FILE_OPEN);
    }
    if (!NT_SUCCESS(result)) return false;
    entry.reset(opened);
    created = status.Information == FILE_CREATED;
    if (result == kOplockBreakInProgress && !WaitForOplockBreak(run, opened)) {
        entry.reset();
        return false;
    }
    return true;
}

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

bool GetFinalPath(HANDLE entry, wchar_t (&path)[MAX_PATH]) {
    constexpr DWORD kCapacity = MAX_PATH + 4;  // room for the "\\?\" in front
    wchar_t found[kCapacity];
    DWORD length = api().GetFinalPathNameByHandleW(entry, found, kCapacity, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (length == 0 || length >= kCapacity) return false;
    const wchar_t* start = wcsncmp(found, L"\\\\?\\", 4) == 0 ? found + 4 : found;
    if (wcslen(start) >= MAX_PATH) return false;
    wcscpy(path, start);
    return true;
}
