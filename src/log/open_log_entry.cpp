#include <wchar.h>

#include "log/bounded_format.h"
#include "log/log_paths.h"

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
// held. The file is written without sharing, as the log has always been.
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
