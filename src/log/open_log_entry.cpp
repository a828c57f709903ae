#include <wchar.h>

#include "log/bounded_format.h"
#include "log/log_paths.h"

namespace {

constexpr NTSTATUS kOplockBreakInProgress = 0x00000108;                 // STATUS_OPLOCK_BREAK_IN_PROGRESS
constexpr NTSTATUS kNameNotFound = static_cast<NTSTATUS>(0xC0000034);   // STATUS_OBJECT_NAME_NOT_FOUND
constexpr NTSTATUS kNameCollision = static_cast<NTSTATUS>(0xC0000035);  // STATUS_OBJECT_NAME_COLLISION

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

// "\??\C:\..." or "\??\UNC\server\...": a full path as the object manager names it.
bool ToNtPath(const wchar_t* path, wchar_t (&ntPath)[MAX_PATH + 8]) {
    const bool unc = wcsncmp(path, L"\\\\", 2) == 0;
    return BoundedFormatW(ntPath, MAX_PATH + 8, unc ? L"\\??\\UNC\\%s" : L"\\??\\%s", unc ? path + 2 : path);
}

}  // namespace

bool OpenLogEntry(FileHandle& entry, HANDLE folder, const wchar_t* name, EntryKind kind, Disposition disposition) {
    entry.reset();
    wchar_t ntPath[MAX_PATH + 8];
    if (!folder && !ToNtPath(name, ntPath)) return false;
    UNICODE_STRING objectName;
    objectName.Buffer = const_cast<PWSTR>(folder ? name : ntPath);
    objectName.Length = static_cast<USHORT>(wcslen(objectName.Buffer) * sizeof(wchar_t));
    objectName.MaximumLength = objectName.Length;

    // A server behind the name (a named pipe where a folder was expected)
    // may only identify this program, never act as it.
    SECURITY_QUALITY_OF_SERVICE quality = {sizeof quality, SecurityIdentification, SECURITY_STATIC_TRACKING, FALSE};
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &objectName, OBJ_CASE_INSENSITIVE, folder, nullptr);
    attributes.SecurityQualityOfService = &quality;

    const OpenShape& shape = kind == EntryKind::Folder ? kFolderShape : kFileShape;
    // Below a held folder a link is opened as itself, so that its check refuses
    // it; the base folder itself is followed wherever it leads. The handle is
    // asynchronous, so that a wait for an opportunistic lock can be bounded.
    const ULONG options = shape.options | FILE_COMPLETE_IF_OPLOCKED | (folder ? FILE_OPEN_REPARSE_POINT : 0);
    HANDLE opened = INVALID_HANDLE_VALUE;
    auto open = [&](ULONG createDisposition) {
        IO_STATUS_BLOCK status;
        return api().NtCreateFile(&opened, shape.access, &attributes, &status, nullptr, shape.attributes, shape.share,
                                  createDisposition, options, nullptr, 0);
    };
    // An entry is made only where no name is at all, since making one never
    // follows a link; one that another program makes meanwhile is opened.
    NTSTATUS result = open(FILE_OPEN);
    if (disposition == Disposition::CreateIfMissing && result == kNameNotFound) {
        result = open(FILE_CREATE);
        if (result == kNameCollision) result = open(FILE_OPEN);
    }
    if (!NT_SUCCESS(result)) return false;
    entry.reset(opened);
    if (result == kOplockBreakInProgress && !WaitForOplockBreak(opened)) {
        entry.reset();
        return false;
    }
    return true;
}
