// Recognising the command line: the tail after the program name, then the keyword.
#include <gtest/gtest.h>

#include "setup/setup_command.h"
#include "test_support.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int);  // the program's entry, in src/setup/main.cpp

namespace {

// Each row goes by its name.
const auto kRowName = [](const auto& info) { return std::string(info.param.name); };

struct TailCase {
    const char* name;
    const wchar_t* commandLine;
    const wchar_t* tail;
};

class TailOfCommandLine : public ::testing::TestWithParam<TailCase> {};

TEST_P(TailOfCommandLine, SkipsTheProgramNameAndTheBlanksAfterIt) {
    EXPECT_STREQ(CommandLineTail(GetParam().commandLine), GetParam().tail);
}

INSTANTIATE_TEST_SUITE_P(
    CommandLines, TailOfCommandLine,
    ::testing::Values(TailCase{"PlainName", L"QuelmarSetup.exe -install", L"-install"},
                      TailCase{"QuotedNameWithBlanks", L"\"C:\\dir with blanks\\QuelmarSetup.exe\"   -install",
                               L"-install"},
                      TailCase{"TabsAndBlanks", L"QuelmarSetup.exe\t \t/uninstall extra", L"/uninstall extra"},
                      TailCase{"QuotedTailKeepsItsQuotes", L"QuelmarSetup.exe \"-install\"", L"\"-install\""},
                      // A quote toggles the quoted state anywhere in the name.
                      TailCase{"QuoteInsideTheName", L"C:\\a\" b\"c\\Setup.exe -install", L"-install"},
                      TailCase{"UnpairedQuoteTakesTheWholeLine", L"\"unpaired -install", L""},
                      TailCase{"NoTail", L"QuelmarSetup.exe", L""},
                      TailCase{"OnlyBlanksAfterTheName", L"QuelmarSetup.exe   ", L""},
                      TailCase{"EmptyCommandLine", L"", L""},
                      // Not only a blank: every character from 1 to 0x20 ends the name and is skipped.
                      TailCase{"ControlCharactersEndTheName", L"Setup.exe\t\x01\x1f-install", L"-install"},
                      TailCase{"DeleteIsPartOfTheName", L"Setup.exe\x7f-install", L""}),
    kRowName);

struct KeywordCase {
    const char* name;
    const wchar_t* tail;
    SetupCommand command;
};

class RecognizedKeyword : public ::testing::TestWithParam<KeywordCase> {};

TEST_P(RecognizedKeyword, ComparesOnlyTheBeginningWithoutRegardToCase) {
    EXPECT_EQ(RecognizeCommand(GetParam().tail), GetParam().command);
}

INSTANTIATE_TEST_SUITE_P(
    Tails, RecognizedKeyword,
    ::testing::Values(KeywordCase{"DashInstall", L"-install", SetupCommand::Install},
                      KeywordCase{"SlashInstallUpperCase", L"/INSTALL", SetupCommand::Install},
                      KeywordCase{"DashInstallMixedCase", L"-Install", SetupCommand::Install},
                      KeywordCase{"SlashInstallWithMore", L"/install /quiet", SetupCommand::Install},
                      KeywordCase{"DashInstallGluedLetters", L"-installer", SetupCommand::Install},
                      KeywordCase{"DashUninstallUpperCase", L"-UNINSTALL", SetupCommand::Uninstall},
                      KeywordCase{"SlashUninstallWithMore", L"/uninstall extra", SetupCommand::Uninstall},
                      KeywordCase{"DashUninstallGluedLetters", L"-uninstallnow", SetupCommand::Uninstall}),
    kRowName);

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
LONG WINAPI CountRegCreate(HKEY, LPCWSTR, DWORD, LPWSTR, DWORD, REGSAM, LPSECURITY_ATTRIBUTES, PHKEY, LPDWORD) {
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

struct HostileTail {
    const char* name;
    std::wstring tail;
};

class UnrecognisedTail : public CountedPlatformCalls, public ::testing::WithParamInterface<HostileTail> {};

TEST_P(UnrecognisedTail, ReturnsZeroAndTouchesNothing) {
    EXPECT_EQ(RunSetupCommand(GetParam().tail.c_str()), 0);
    EXPECT_EQ(platformCalls, 0);
}

INSTANTIATE_TEST_SUITE_P(
    HostileTails, UnrecognisedTail,
    ::testing::Values(HostileTail{"Empty", L""}, HostileTail{"NoDash", L"install"},
                      HostileTail{"DoubleDash", L"--install"}, HostileTail{"QuotedKeyword", L"\"-install\""},
                      HostileTail{"QuoteBeforeUninstall", L"\"/uninstall"}, HostileTail{"ShortInstall", L"-instal"},
                      HostileTail{"LetterBeforeKeyword", L"x-install"},
                      HostileTail{"ControlCharactersBeforeKeyword", L"\x0001\x001f-install"},
                      HostileTail{"TabBeforeUninstall", L"\t-uninstall"},
                      HostileTail{"BlankBeforeKeyword", L" -install"},
                      HostileTail{"DotlessI", L"-\u0131nstall"},  // no locale folding
                      HostileTail{"DottedCapitalI", L"-\u0130NSTALL"}, HostileTail{"EnDash", L"\u2013install"},
                      HostileTail{"FullWidthHyphen", L"\uFF0Dinstall"}, HostileTail{"LoneSurrogate", L"-\xD800install"},
                      HostileTail{"HundredThousandLetters", std::wstring(100000, L'A')},
                      HostileTail{"SeventyThousandQuotes", std::wstring(70000, L'"')},
                      HostileTail{"ShortUninstallThenBackslashes", L"-uninstal" + std::wstring(5000, L'\\')}),
    kRowName);

// The program runs elevated from a folder that others may write to (the
// installer's temporary folder): before anything else, its entry restricts
// where DLLs are loaded from, as far as the Windows it runs on allows.
std::string restrictions;        // each call, with the number of platform calls made before it
bool withoutDefaultDirectories;  // Vista, or Windows 7 without its update
BOOL WINAPI RecordDllDirectories(DWORD flags) {
    restrictions += "SetDefaultDllDirectories(" + std::to_string(flags) + ") after " + std::to_string(platformCalls);
    return TRUE;
}
BOOL WINAPI RecordDllDirectory(LPCWSTR path) {
    restrictions +=
        "SetDllDirectoryW(\"" + (path ? ToUtf8(path) : "null") + "\") after " + std::to_string(platformCalls);
    return TRUE;
}
FARPROC WINAPI DllDirectoriesThroughRecorder(HMODULE module, LPCSTR name) {
    if (HIWORD(name) && strcmp(name, "SetDefaultDllDirectories") == 0)
        return withoutDefaultDirectories ? nullptr
                                         : reinterpret_cast<FARPROC>(reinterpret_cast<void*>(RecordDllDirectories));
    return ::GetProcAddress(module, name);
}

struct EntryCase {
    const char* name;
    bool withoutDefaultDirectories;
    const char* restrictions;
};

class ProgramEntry : public CountedPlatformCalls, public ::testing::WithParamInterface<EntryCase> {};

TEST_P(ProgramEntry, RestrictsTheDllSearchBeforeAnyOtherCall) {
    restrictions.clear();
    withoutDefaultDirectories = GetParam().withoutDefaultDirectories;
    api().GetProcAddress = DllDirectoriesThroughRecorder;
    api().SetDllDirectoryW = RecordDllDirectory;
    // Every call fails: the install is refused, after logging and asking for the imaging state.
    wchar_t install[] = L"-install";
    EXPECT_EQ(wWinMain(nullptr, nullptr, install, SW_SHOWDEFAULT), 1603);
    EXPECT_EQ(restrictions, GetParam().restrictions);
    EXPECT_GT(platformCalls, 3) << "the flow ran";
}

INSTANTIATE_TEST_SUITE_P(Windows, ProgramEntry,
                         ::testing::Values(EntryCase{"WithSearchFlags", false,
                                                     "SetDefaultDllDirectories(2048) after 0"},  // SYSTEM32
                                           EntryCase{"WithoutSearchFlags", true, "SetDllDirectoryW(\"\") after 0"}),
                         kRowName);

}  // namespace
