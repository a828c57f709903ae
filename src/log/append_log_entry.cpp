#include <string.h>

#include "log/bounded_format.h"
#include "log/log_writer_steps.h"
#include "platform/steps.h"

namespace {

// Appended at the end of the file, whatever its size meanwhile, without
// reading anything of what it holds. The handle is asynchronous: a write that
// has not ended yet is waited for, for a bounded time. False when the bytes
// did not get written.
bool WriteBytes(LogRun& run, HANDLE file, const char* bytes, size_t count) {
    if (!count) return true;
    OVERLAPPED atEnd = {};
    atEnd.Offset = atEnd.OffsetHigh = 0xFFFFFFFF;
    DWORD written;
    if (api().WriteFile(file, bytes, static_cast<DWORD>(count), &written, &atEnd)) return true;
    return GetLastError() == ERROR_IO_PENDING && WaitForRequest(run, file, atEnd, written);
}

// Each "\n" is stored as CR LF, the line end that readers of the log on
// Windows expect. A write that fails loses the entry's rest.
bool WriteText(LogRun& run, HANDLE file, const char* text) {
    for (;;) {
        const char* lineEnd = strchr(text, '\n');
        if (!WriteBytes(run, file, text, lineEnd ? size_t(lineEnd - text) : strlen(text))) return false;
        if (!lineEnd) return true;
        if (!WriteBytes(run, file, "\r\n", 2)) return false;
        text = lineEnd + 1;
    }
}

}  // namespace

int AppendLogEntry(const LogFolder& folder, const char* message) {
    // The file is opened by its name in the held folder, but its full path is
    // what the final-path check compares: an entry whose path would not fit
    // MAX_PATH cannot be checked, so it is dropped.
    wchar_t path[MAX_PATH];
    wchar_t finalPath[MAX_PATH];
    wcscpy(path, folder.path);
    wcscpy(finalPath, folder.finalPath);
    if (!AppendName(path, kLogFileName) || !AppendName(finalPath, kLogFileName)) return 0;

    // Made when missing: a new file is made where no name is at all, and an
    // existing name is opened as itself, so a link is never followed.
    FileHandle file;
    BY_HANDLE_FILE_INFORMATION info;
    if (!OpenCheckedEntry(folder.run, file, folder.levels[1].get(), kLogFileName, EntryKind::File,
                          Disposition::CreateIfMissing, finalPath, info))
        return 0;

    // An over-size log is emptied through this handle, never deleted by name:
    // by the time of a second call the name could lead somewhere else.
    ULONGLONG size = (ULONGLONG(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    FILE_END_OF_FILE_INFO empty = {};
    // Not emptied, the log keeps growing by one entry: no reason to drop it.
    if (size > kLogSizeLimit)
        IGNORE_RESULT(api().SetFileInformationByHandle(file.get(), FileEndOfFileInfo, &empty, sizeof empty));

    SYSTEMTIME now;
    api().GetLocalTime(&now);
    char prefix[512];
    BoundedFormat(prefix, sizeof prefix, "[%04d-%02d-%02d %02d:%02d:%02d] ", now.wYear, now.wMonth, now.wDay, now.wHour,
                  now.wMinute, now.wSecond);
    // Logging never stops an operation: a write that fails only loses the entry.
    return WriteText(folder.run, file.get(), prefix) && WriteText(folder.run, file.get(), message) ? 1 : 0;
}
