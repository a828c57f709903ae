#include "log/bounded_format.h"
#include "log/log_paths.h"
#include "platform/api.h"

namespace {

void DeleteIfOverSize(const wchar_t* path) {
    WIN32_FIND_DATAW found;
    HANDLE search = api().FindFirstFileW(path, &found);
    if (search == INVALID_HANDLE_VALUE) return;
    // The full 64-bit size: a log of 4 GiB and a few bytes is over the limit too.
    ULONGLONG size = (ULONGLONG(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
    if (size > kLogSizeLimit) api().DeleteFileW(path);
    api().FindClose(search);
}

}  // namespace

int AppendLogEntry(const wchar_t* path, const char* message) {
    DeleteIfOverSize(path);

    FILE* file = nullptr;
    if (api()._wfopen_s(&file, path, L"a+") != 0 || !file) return 0;

    SYSTEMTIME now;
    api().GetLocalTime(&now);
    char prefix[512];
    BoundedFormat(prefix, sizeof prefix, "[%04d-%02d-%02d %02d:%02d:%02d] ", now.wYear, now.wMonth,
                  now.wDay, now.wHour, now.wMinute, now.wSecond);

    api().fputs(prefix, file);
    api().fputs(message, file);
    api().fclose(file);
    return 1;
}
