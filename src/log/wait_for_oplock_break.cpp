#include "log/log_paths.h"

bool WaitForOplockBreak(LogRun& run, HANDLE entry) {
    OVERLAPPED request = {};
    DWORD bytes;
    if (api().DeviceIoControl(entry, FSCTL_OPLOCK_BREAK_NOTIFY, nullptr, 0, nullptr, 0, &bytes, &request)) return true;
    return GetLastError() == ERROR_IO_PENDING && WaitForRequest(run, entry, request, bytes);
}
