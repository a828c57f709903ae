#include "log/bounded_format.h"
#include "platform/owners.h"
#include "setup/setup_command.h"
#include "setup/setup_messages.h"

#include <wtsapi32.h>  // after the Windows headers, which it needs

namespace {

constexpr DWORD kNoConsoleSession = 0xFFFFFFFF;

DWORD Bytes(const wchar_t* text) { return static_cast<DWORD>(wcslen(text)) * DWORD{sizeof(wchar_t)}; }

// wtsapi32 is loaded here only, by its full System32 path: the program's
// imports stay as they are, and no other copy of it can be picked up. The DLLs
// it needs come from System32 too, never from the program's own folder: where
// Windows lacks the search flags, the search starts in wtsapi32's folder.
void SendToSession(DWORD session) {
    wchar_t path[MAX_PATH];
    UINT length = api().GetSystemDirectoryW(path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH || !BoundedAppendW(path, MAX_PATH, L"\\wtsapi32.dll")) return;
    const DWORD search = FindSetDefaultDllDirectories() ? LOAD_LIBRARY_SEARCH_SYSTEM32 : LOAD_WITH_ALTERED_SEARCH_PATH;
    Library wtsapi(api().LoadLibraryExW(path, nullptr, search));
    if (!wtsapi) return;
    auto send = reinterpret_cast<decltype(&::WTSSendMessageW)>(
        reinterpret_cast<void*>(api().GetProcAddress(wtsapi.get(), "WTSSendMessageW")));
    if (!send) return;
    DWORD response = 0;
    send(WTS_CURRENT_SERVER_HANDLE, session, const_cast<LPWSTR>(kRefusalCaption), Bytes(kRefusalCaption),
         const_cast<LPWSTR>(kRefusalText), Bytes(kRefusalText), kRefusalStyle, 0, &response, FALSE);
}

}  // namespace

void ShowRefusalMessage() {
    // A session that cannot be told counts as session 0, where a box would hang.
    DWORD session = 0;
    if (api().ProcessIdToSessionId(api().GetCurrentProcessId(), &session) && session != 0) {
        api().MessageBoxW(nullptr, kRefusalText, kRefusalCaption, kRefusalStyle);
        return;
    }
    // In session 0 (the installer's service) nobody sees a window, and a
    // system-modal box would hang the install for ever. The user at the
    // console gets the message instead; nobody waits for the answer.
    DWORD console = api().WTSGetActiveConsoleSessionId();
    if (console != kNoConsoleSession) SendToSession(console);
}
