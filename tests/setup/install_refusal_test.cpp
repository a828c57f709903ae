// The install flow's refusal path: firmware out of reach, so the answer stays
// zero and the machine counts as not supported.
#include <gtest/gtest.h>

#include "setup/setup_command.h"
#include "message_boxes.h"
#include "test_support.h"

#include <wtsapi32.h>

namespace {

const char* const kCouldNotOpenLine =
    "[T] InPinProcess(): Could not open "
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Setup\\State\r\n";

// A message sent to a session, beside what every shown message records.
struct Sent {
    DWORD session;
    bool lengthsInBytes;
    DWORD timeout;
    BOOL wait;
};
Sent sent;
BOOL WINAPI RecordSend(HANDLE server, DWORD session, LPWSTR title, DWORD titleBytes, LPWSTR message, DWORD messageBytes,
                       DWORD style, DWORD timeout, DWORD* response, BOOL wait) {
    ShownMessages().push_back({server == WTS_CURRENT_SERVER_HANDLE ? "WTSSendMessageW" : "WTSSendMessageW to a server",
                               message, title, style, SetupLog()});
    sent = {session, titleBytes == wcslen(title) * 2 && messageBytes == wcslen(message) * 2, timeout, wait};
    *response = IDASYNC;
    return TRUE;
}

// Wine runs every process in session 1: other sessions are reported through the seam.
DWORD ownSession;
DWORD consoleSession;
constexpr DWORD kSessionUnknown = 0xFFFFFFFE;  // the query fails
BOOL WINAPI ReportSession(DWORD, DWORD* session) {
    if (ownSession == kSessionUnknown) {
        *session = 5;  // what a failed query leaves behind is not an answer
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    *session = ownSession;
    return TRUE;
}
DWORD WINAPI ReportConsole() { return consoleSession; }
std::vector<std::pair<std::wstring, DWORD>> loaded;  // path and flags
HMODULE WINAPI RecordLoad(LPCWSTR path, HANDLE file, DWORD flags) {
    loaded.emplace_back(path, flags);
    return ::LoadLibraryExW(path, file, flags);
}
// Windows 7 without its security update has no SetDefaultDllDirectories.
bool withoutSearchFlags;
FARPROC WINAPI SendThroughRecorder(HMODULE module, LPCSTR name) {
    if (HIWORD(name) && strcmp(name, "WTSSendMessageW") == 0)
        return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(RecordSend));
    if (HIWORD(name) && strcmp(name, "SetDefaultDllDirectories") == 0 && withoutSearchFlags) return nullptr;
    return ::GetProcAddress(module, name);
}

std::vector<std::string> comCalls;
HRESULT WINAPI RecordCoInitialize(LPVOID reserved) {
    comCalls.push_back(reserved ? "CoInitialize(reserved)" : "CoInitialize(NULL)");
    return ::CoInitialize(reserved);
}
void WINAPI RecordCoUninitialize() {
    comCalls.push_back("CoUninitialize");
    ::CoUninitialize();
}
HRESULT WINAPI FirmwareOutOfReach(REFCLSID, LPUNKNOWN, DWORD, REFIID, LPVOID* object) {
    comCalls.push_back("CoCreateInstance");
    *object = nullptr;
    return REGDB_E_CLASSNOTREG;
}

enum class State { Complete, Imaging, KeyMissing };
constexpr DWORD kNoConsole = 0xFFFFFFFF;

struct RefusalCase {
    const char* name;
    State state;
    DWORD session;
    DWORD console;
    const char* shownBy;  // "" when nothing is shown
    std::string logged;
    bool withoutSearchFlags = false;
};

class InstallRefusal : public ::testing::TestWithParam<RefusalCase> {
protected:
    void SetUp() override {
        RemoveTree(LocalAppDataFolder() + L"\\Tarvolund");
        RemoveTree(L"C:\\Prevault");
        MakeFolders(L"C:\\Prevault\\Logs");
        DeleteRegistryTree(HKEY_LOCAL_MACHINE, kSetupStateKey, 0);
        comCalls.clear();
        loaded.clear();
        withoutSearchFlags = GetParam().withoutSearchFlags;
        ownSession = GetParam().session;
        consoleSession = GetParam().console;
        RecordMessageBoxes();
        api().ProcessIdToSessionId = ReportSession;
        api().WTSGetActiveConsoleSessionId = ReportConsole;
        api().LoadLibraryExW = RecordLoad;
        api().GetProcAddress = SendThroughRecorder;
        api().CoInitialize = RecordCoInitialize;
        api().CoUninitialize = RecordCoUninitialize;
        api().CoCreateInstance = FirmwareOutOfReach;
    }
    void TearDown() override {
        DeleteRegistryTree(HKEY_LOCAL_MACHINE, kSetupStateKey, 0);
        RemoveTree(L"C:\\Prevault");
    }
    ApiRestore restore_;
};

TEST_P(InstallRefusal, LogsThenShowsTheBoxSendsTheMessageOrStaysSilent) {
    const RefusalCase& c = GetParam();
    if (c.state != State::KeyMissing) {
        SetRegistryString(HKEY_LOCAL_MACHINE, kSetupStateKey, L"ImageState",
                          c.state == State::Complete ? L"IMAGE_STATE_COMPLETE" : L"IMAGE_STATE_UNDEPLOYABLE", 0);
    }

    EXPECT_EQ(RunSetupCommand(L"-install"), 1603);

    EXPECT_EQ(SetupLog(), c.logged);
    EXPECT_EQ(PrevaultLog(), c.logged);
    // One apartment around the firmware call, left before anything else happens.
    EXPECT_EQ(comCalls, (std::vector<std::string>{"CoInitialize(NULL)", "CoCreateInstance", "CoUninitialize"}));
    const std::vector<ShownMessage>& boxes = ShownMessages();
    const bool shown = *c.shownBy != '\0';
    ASSERT_EQ(boxes.size(), shown ? 1u : 0u);
    if (shown) {
        EXPECT_EQ(boxes[0].shownBy, c.shownBy);
        EXPECT_EQ(boxes[0].text, L"Your product does not support Tarvo Quelmar.");
        EXPECT_EQ(boxes[0].caption, L"Tarvo Quelmar Setup");
        EXPECT_EQ(boxes[0].style, 0x1010u);
        EXPECT_EQ(boxes[0].setupLogWhenShown, c.logged) << "the box comes after every log line";
    }
    if (std::string(c.shownBy) == "WTSSendMessageW") {
        EXPECT_EQ(sent.session, c.console);
        EXPECT_TRUE(sent.lengthsInBytes);
        EXPECT_FALSE(sent.wait) << "nobody may be made to wait for an answer";
        EXPECT_EQ(sent.timeout, 0u);
        // Loaded at run time from System32, by its full path, and the DLLs it
        // needs from System32 too, whether Windows has the search flags or not.
        wchar_t system[MAX_PATH];
        GetSystemDirectoryW(system, MAX_PATH);
        const DWORD flags = c.withoutSearchFlags ? LOAD_WITH_ALTERED_SEARCH_PATH : LOAD_LIBRARY_SEARCH_SYSTEM32;
        EXPECT_EQ(loaded,
                  (std::vector<std::pair<std::wstring, DWORD>>{{std::wstring(system) + L"\\wtsapi32.dll", flags}}));
    } else {
        EXPECT_TRUE(loaded.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    ImagingStates, InstallRefusal,
    ::testing::Values(RefusalCase{"SetupComplete", State::Complete, 1, 1, "MessageBoxW", kRefusalLine},
                      RefusalCase{"StillImaging", State::Imaging, 1, 1, "", kRefusalLine},
                      RefusalCase{"StateUnreadable", State::KeyMissing, 1, 1, "MessageBoxW",
                                  std::string(kRefusalLine) + kCouldNotOpenLine},
                      RefusalCase{"OtherUsersSession", State::Complete, 3, 1, "MessageBoxW", kRefusalLine},
                      // In session 0 a window is seen by nobody and would wait for ever.
                      RefusalCase{"SessionZeroSendsToTheConsole", State::Complete, 0, 2, "WTSSendMessageW",
                                  kRefusalLine},
                      RefusalCase{"SessionZeroWithoutConsole", State::Complete, 0, kNoConsole, "", kRefusalLine},
                      RefusalCase{"SessionZeroStillImaging", State::Imaging, 0, 2, "", kRefusalLine},
                      // Nor may it wait where the session cannot be told.
                      RefusalCase{"SessionUnknownSendsToTheConsole", State::Complete, kSessionUnknown, 2,
                                  "WTSSendMessageW", kRefusalLine},
                      RefusalCase{"SessionZeroOnWindows7WithoutItsUpdate", State::Complete, 0, 2, "WTSSendMessageW",
                                  kRefusalLine, true}),
    [](const ::testing::TestParamInfo<RefusalCase>& info) { return info.param.name; });

}  // namespace
