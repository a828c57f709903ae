#include <string.h>

#include "log/bounded_format.h"
#include "log/log_paths.h"
#include "log/steps.h"

namespace {

// Without sharing, as the log has always been opened. An existing name is
// opened without following a link; a new file is only made where no name is
// at all, since making one never follows a link either.
HANDLE OpenLogFile(const wchar_t* path) {
    constexpr DWORD kAccess = GENERIC_WRITE | FILE_READ_ATTRIBUTES;
    HANDLE file = api().CreateFileW(path, kAccess, 0, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file != INVALID_HANDLE_VALUE) return file;
    return api().CreateFileW(path, kAccess, 0, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}

void WriteBytes(HANDLE file, const char* bytes, size_t count) {
    DWORD written;
    // A write that fails loses the entry's rest; logging never stops an operation.
    if (count) IGNORE_RESULT(api().WriteFile(file, bytes, static_cast<DWORD>(count), &written, nullptr));
}

// Each "\n" is stored as CR LF, as the log has always been written.
void WriteText(HANDLE file, const char* text) {
    for (;;) {
        const char* lineEnd = strchr(text, '\n');
        WriteBytes(file, text, lineEnd ? size_t(lineEnd - text) : strlen(text));
        if (!lineEnd) return;
        WriteBytes(file, "\r\n", 2);
        text = lineEnd + 1;
    }
}

}  // namespace

int AppendLogEntry(const LogFolder& folder, const char* message) {
    wchar_t path[MAX_PATH];
    wchar_t finalPath[MAX_PATH];
    wcscpy(path, folder.path);
    wcscpy(finalPath, folder.finalPath);
    if (!BoundedAppendW(path, MAX_PATH, kLogFileName) || !BoundedAppendW(finalPath, MAX_PATH, kLogFileName))
        return 0;

    FileHandle file(OpenLogFile(path));
    BY_HANDLE_FILE_INFORMATION info;
    if (!file || !CheckOpenedEntry(file.get(), EntryKind::File, finalPath, info)) return 0;

    // An over-size log is emptied through this handle, never deleted by name:
    // by the time of a second call the name could lead somewhere else. The
    // file pointer is still at the start, where the end is set.
    ULONGLONG size = (ULONGLONG(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    // Not emptied, the log keeps growing by one entry: no reason to drop it.
    if (size > kLogSizeLimit) IGNORE_RESULT(api().SetEndOfFile(file.get()));

    SYSTEMTIME now;
    api().GetLocalTime(&now);
    char prefix[512];
    BoundedFormat(prefix, sizeof prefix, "[%04d-%02d-%02d %02d:%02d:%02d] ", now.wYear, now.wMonth,
                  now.wDay, now.wHour, now.wMinute, now.wSecond);

    // Appended without reading anything of what the file holds.
    LARGE_INTEGER atEnd = {};
    IGNORE_RESULT(api().SetFilePointerEx(file.get(), atEnd, nullptr, FILE_END));  // cannot fail on a disk file
    WriteText(file.get(), prefix);
    WriteText(file.get(), message);
    return 1;
}
