#include "log/log_writer_steps.h"
#include "platform/steps.h"

// Zero at start-up, without any initialiser running.
LogRun setupLogRun;
LogRun prevaultLogRun;

bool WaitForOplockBreak(LogRun& run, HANDLE entry) {
    OVERLAPPED request = {};
    DWORD bytes;
    if (api().DeviceIoControl(entry, FSCTL_OPLOCK_BREAK_NOTIFY, nullptr, 0, nullptr, 0, &bytes, &request)) return true;
    return GetLastError() == ERROR_IO_PENDING && WaitForRequest(run, entry, request, bytes);
}

bool WaitForRequest(LogRun& run, HANDLE entry, OVERLAPPED& request, DWORD& bytes) {
    const DWORD left = kLogWaitBudgetMs - run.waitedMs;
    LARGE_INTEGER frequency, start, end;
    api().QueryPerformanceFrequency(&frequency);
    api().QueryPerformanceCounter(&start);
    // No event: with one request at a time, the handle itself is signalled
    // when the request ends.
    const DWORD waited = api().WaitForSingleObject(entry, left);
    api().QueryPerformanceCounter(&end);
    // Rounded up, so that no wait goes uncounted, however short; a wait that
    // timed out has spent what was left.
    const ULONGLONG ms =
        (ULONGLONG(end.QuadPart - start.QuadPart) * 1000 + ULONGLONG(frequency.QuadPart) - 1) / frequency.QuadPart;
    run.waitedMs = waited == WAIT_TIMEOUT || ms >= left ? kLogWaitBudgetMs : run.waitedMs + DWORD(ms);
    if (waited == WAIT_OBJECT_0 && api().GetOverlappedResult(entry, &request, &bytes, FALSE)) return true;
    // The request must have ended before its OVERLAPPED goes: cancelled, it
    // ends at once.
    IGNORE_RESULT(api().CancelIoEx(entry, &request));
    IGNORE_RESULT(api().GetOverlappedResult(entry, &request, &bytes, TRUE));
    return false;
}
