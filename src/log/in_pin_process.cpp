#include "log/in_pin_process.h"

#include <wchar.h>

#include "log/bounded_format.h"
#include "log/setup_log.h"
#include "platform/owners.h"

namespace {

constexpr const wchar_t* kSetupStateKey = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Setup\\State";
constexpr const wchar_t* kImageStateValue = L"ImageState";
constexpr const wchar_t* kImageStateComplete = L"IMAGE_STATE_COMPLETE";
constexpr DWORD kImageStateBytes = 260;

// Logs the format with the registry path (converted to the ANSI code page).
void LogRegistryFailure(const char* format, const wchar_t* valueName) {
    wchar_t widePath[512];
    BoundedFormatW(widePath, 512, valueName ? L"%s\\%s" : L"%s", kSetupStateKey, valueName);
    char path[512] = {};
    api().WideCharToMultiByte(CP_ACP, 0, widePath, -1, path, 511, nullptr, nullptr);
    char message[512];
    BoundedFormat(message, sizeof message, format, path);
    LogMessage(message);
}

}  // namespace

int InPinProcess() {
    RegKey key;
    if (api().RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSetupStateKey, 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS) {
        LogRegistryFailure("InPinProcess(): Could not open HKEY_LOCAL_MACHINE\\%s\n", nullptr);
        return kNotImaging;
    }

    // One spare character: a value stored without its NUL ends where its data ends.
    wchar_t state[kImageStateBytes / sizeof(wchar_t) + 1] = {};
    DWORD type = 0;
    DWORD size = kImageStateBytes;
    if (api().RegQueryValueExW(key.get(), kImageStateValue, nullptr, &type, reinterpret_cast<BYTE*>(state), &size) !=
        ERROR_SUCCESS) {
        LogRegistryFailure("InPinProcess(): Could not query HKEY_LOCAL_MACHINE\\%s\n", kImageStateValue);
        return kNotImaging;
    }
    key.reset();

    if (size > kImageStateBytes) size = kImageStateBytes;
    state[size / sizeof(wchar_t)] = L'\0';
    return wcscmp(state, kImageStateComplete) != 0 ? kStillImaging : kNotImaging;
}
