// Recognising the command line: the tail after the program name, then the keyword.
#include <gtest/gtest.h>

#include "setup/setup_command.h"
#include "test_support.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int);  // the program's entry, in src/setup/main.cpp

namespace {

struct TailCase {
    const wchar_t* commandLine;
    const wchar_t* tail;
};

class TailOfCommandLine : public ::testing::TestWithParam<TailCase> {};

TEST_P(TailOfCommandLine, SkipsTheProgramNameAndTheBlanksAfterIt) {
    EXPECT_STREQ(CommandLineTail(GetParam().commandLine), GetParam().tail);
}

INSTANTIATE_TEST_SUITE_P(
    CommandLines, TailOfCommandLine,
    ::testing::Values(TailCase{L"QuelmarSetup.exe -install", L"-install"},
                      TailCase{L"\"C:\\dir with blanks\\QuelmarSetup.exe\"   -install", L"-install"},
                      TailCase{L"QuelmarSetup.exe\t \t/uninstall extra", L"/uninstall extra"},
                      TailCase{L"QuelmarSetup.exe \"-install\"", L"\"-install\""},
                      // A quote toggles the quoted state anywhere in the name.
                      TailCase{L"C:\\a\" b\"c\\Setup.exe -install", L"-install"},
                      TailCase{L"\"unpaired -install", L""},
                      TailCase{L"QuelmarSetup.exe", L""},
                      TailCase{L"QuelmarSetup.exe   ", L""},
                      TailCase{L"", L""},
                      // Every character from 1 to 0x20 ends the name and is skipped.
                      TailCase{L"Setup.exe\x01\x1f\x20-install", L"-install"},
                      TailCase{L"Setup.exe\x7f-install", L""}));

struct KeywordCase {
    const wchar_t* tail;
    SetupCommand command;
};

class RecognizedKeyword : public ::testing::TestWithParam<KeywordCase> {};

TEST_P(RecognizedKeyword, ComparesOnlyTheBeginningWithoutRegardToCase) {
    EXPECT_EQ(RecognizeCommand(GetParam().tail), GetParam().command);
}

INSTANTIATE_TEST_SUITE_P(
    Tails, RecognizedKeyword,
    ::testing::Values(KeywordCase{L"-install", SetupCommand::Install},
                      KeywordCase{L"/INSTALL", SetupCommand::Install},
                      KeywordCase{L"-Install", SetupCommand::Install},
                      KeywordCase{L"/install /quiet", SetupCommand::Install},
                      KeywordCase{L"-installer", SetupCommand::Install},
                      KeywordCase{L"-UNINSTALL", SetupCommand::Uninstall},
                      KeywordCase{L"/uninstall extra", SetupCommand::Uninstall},
                      KeywordCase{L"-uninstallnow", SetupCommand::Uninstall},
                      KeywordCase{L"install", SetupCommand::None},
                      KeywordCase{L"--install", SetupCommand::None},
                      KeywordCase{L"\"-install\"", SetupCommand::None},
                      KeywordCase{L"-instal", SetupCommand::None},
                      KeywordCase{L"-uninstal", SetupCommand::None},
                      KeywordCase{L" -install", SetupCommand::None},
                      KeywordCase{L"", SetupCommand::None}));

// Every platform call the flows could make, counted.
int platformCalls;
HRESULT WINAPI CountCoInitialize(LPVOID) {
    ++platformCalls;
    return E_FAIL;
}
HRESULT WINAPI CountCoInitializeEx(LPVOID, DWORD) {
    ++platformCalls;
    return E_FAIL;
}
HRESULT WINAPI CountCoCreateInstance(REFCLSID, LPUNKNOWN, DWORD, REFIID, LPVOID*) {
    ++platformCalls;
    return E_FAIL;
}
int WINAPI CountMessageBox(HWND, LPCWSTR, LPCWSTR, UINT) {
    ++platformCalls;
    return IDOK;
}
NTSTATUS WINAPI CountOpen(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES, PIO_STATUS_BLOCK, PLARGE_INTEGER, ULONG, ULONG,
                          ULONG, ULONG, PVOID, ULONG) {
    ++platformCalls;
    return static_cast<NTSTATUS>(0xC0000022);  // STATUS_ACCESS_DENIED
}
BOOL WINAPI CountFolder(HWND, LPWSTR, int, BOOL) {
    ++platformCalls;
    return FALSE;
}
LONG WINAPI CountRegOpen(HKEY, LPCWSTR, DWORD, REGSAM, PHKEY) {
    ++platformCalls;
    return ERROR_ACCESS_DENIED;
}
LONG WINAPI CountRegCreate(HKEY, LPCWSTR, DWORD, LPWSTR, DWORD, REGSAM,
                           LPSECURITY_ATTRIBUTES, PHKEY, LPDWORD) {
    ++platformCalls;
    return ERROR_ACCESS_DENIED;
}
LONG WINAPI CountRegDelete(HKEY, LPCWSTR, REGSAM, DWORD) {
    ++platformCalls;
    return ERROR_ACCESS_DENIED;
}

class CountedPlatformCalls : public ::testing::Test {
protected:
    void SetUp() override {
        platformCalls = 0;
        api().CoInitialize = CountCoInitialize;
        api().CoInitializeEx = CountCoInitializeEx;
        api().CoCreateInstance = CountCoCreateInstance;
        api().MessageBoxW = CountMessageBox;
        api().NtCreateFile = CountOpen;
        api().SHGetSpecialFolderPathW = CountFolder;
        api().RegOpenKeyExW = CountRegOpen;
        api().RegCreateKeyExW = CountRegCreate;
        api().RegDeleteKeyExW = CountRegDelete;
    }
    ApiRestore restore_;
};

class UnrecognisedTail : public CountedPlatformCalls, public ::testing::WithParamInterface<std::wstring> {};

TEST_P(UnrecognisedTail, ReturnsZeroAndTouchesNothing) {
    EXPECT_EQ(RunSetupCommand(GetParam().c_str()), 0);
    EXPECT_EQ(platformCalls, 0);
}

INSTANTIATE_TEST_SUITE_P(
    HostileTails, UnrecognisedTail,
    ::testing::Values(std::wstring(), std::wstring(L"install"), std::wstring(L"--install"),
                      std::wstring(L"\"-install\""), std::wstring(L"\"/uninstall"),
                      std::wstring(L"-instal"), std::wstring(L"x-install"),
                      std::wstring(L"\x0001\x001f-install"), std::wstring(L"\t-uninstall"),
                      std::wstring(L"-\u0131nstall"),  // dotless i: no locale folding
                      std::wstring(L"\u2013install"), std::wstring(L"\uFF0Dinstall"),
                      std::wstring(L"-\xD800install"), std::wstring(100000, L'A'),
                      std::wstring(70000, L'"'), std::wstring(L"-uninstal") + std::wstring(5000, L'\\')));

// The program runs elevated from a folder that others may write to (the
// installer's temporary folder): before anything else, its entry restricts
// where DLLs are loaded from to System32.
DWORD restrictedTo;
int callsBeforeRestriction;
BOOL WINAPI RecordDllDirectories(DWORD flags) {
    restrictedTo = flags;
    callsBeforeRestriction = platformCalls;
    return TRUE;
}
FARPROC WINAPI DllDirectoriesThroughRecorder(HMODULE module, LPCSTR name) {
    if (HIWORD(name) && strcmp(name, "SetDefaultDllDirectories") == 0)
        return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(RecordDllDirectories));
    return ::GetProcAddress(module, name);
}

class ProgramEntry : public CountedPlatformCalls {};

TEST_F(ProgramEntry, RestrictsTheDllSearchToSystem32BeforeAnyOtherCall) {
    restrictedTo = 0;
    callsBeforeRestriction = -1;
    api().GetProcAddress = DllDirectoriesThroughRecorder;
    // Every call fails: the install is refused, after logging and asking for the imaging state.
    wchar_t install[] = L"-install";
    EXPECT_EQ(wWinMain(nullptr, nullptr, install, SW_SHOWDEFAULT), 1603);
    EXPECT_EQ(restrictedTo, DWORD(LOAD_LIBRARY_SEARCH_SYSTEM32));
    EXPECT_EQ(callsBeforeRestriction, 0);
    EXPECT_GT(platformCalls, 3) << "the flow ran";
}

}  // namespace
