#include "log/log_paths.h"
#include "platform/steps.h"

bool WaitForOplockBreak(HANDLE entry) {
    // No event: with one request at a time, the handle itself is signalled
    // when the request ends.
    OVERLAPPED request = {};
    DWORD bytes;
    if (api().DeviceIoControl(entry, FSCTL_OPLOCK_BREAK_NOTIFY, nullptr, 0, nullptr, 0, &bytes, &request)) return true;
    if (GetLastError() != ERROR_IO_PENDING) return false;
    if (api().WaitForSingleObject(entry, kOplockBreakWaitMs) == WAIT_OBJECT_0 &&
        api().GetOverlappedResult(entry, &request, &bytes, FALSE))
        return true;
    // The request must have ended before its OVERLAPPED goes: cancelled, it
    // ends at once.
    IGNORE_RESULT(api().CancelIoEx(entry, &request));
    IGNORE_RESULT(api().GetOverlappedResult(entry, &request, &bytes, TRUE));
    return false;
}
