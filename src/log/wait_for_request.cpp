#include "log/log_paths.h"
#include "platform/steps.h"

bool WaitForRequest(LogRun& run, HANDLE entry, OVERLAPPED& request, DWORD& bytes) {
    // No event: with one request at a time, the handle itself is signalled
    // when the request ends.
    const DWORD waited = api().WaitForSingleObject(entry, kOplockBreakWaitMs);
    if (waited == WAIT_OBJECT_0 && api().GetOverlappedResult(entry, &request, &bytes, FALSE)) return true;
    if (waited == WAIT_TIMEOUT) run.waitTimedOut = true;
    // The request must have ended before its OVERLAPPED goes: cancelled, it
    // ends at once.
    IGNORE_RESULT(api().CancelIoEx(entry, &request));
    IGNORE_RESULT(api().GetOverlappedResult(entry, &request, &bytes, TRUE));
    return false;
}
