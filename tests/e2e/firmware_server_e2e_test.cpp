// The built QuelmarSetup.exe against the simulated firmware, served as a COM
// DLL that the prefix registers as the administrative WMI locator: the program
// reaches it through Wine's own COM, and the DLL keeps its journal and its
// setting in files. The logon task goes to Wine's own Task Scheduler, which
// cannot create a logon trigger, so a supported install ends in 1603 here.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "built_file_path.h"
#include "com_server_registration.h"
#include "control_panel_keys.h"
#include "run_process.h"
#include "test_support.h"

namespace {

const std::wstring kLocatorClassId = L"{CB8555CC-9128-11D1-AD9B-00C04FD8FDFF}";
const std::wstring kSandbox = L"C:\\ProgramData\\Quelmar Sandbox";
const std::wstring kServerDll = kSandbox + L"\\simulated_firmware_server.dll";
const std::wstring kSettingFile = kSandbox + L"\\firmware-setting.txt";
const std::wstring kScenarioFile = kSandbox + L"\\firmware-scenario.txt";
const std::wstring kJournalFile = kSandbox + L"\\firmware-journal.txt";

const std::string kCreateLocator = "CreateInstance WbemAdministrativeLocator";
const std::string kTaskFailedLine = "[T] Install: Failed adding a task to the task scheduler.\r\n";

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) lines.push_back(line);
    return lines;
}

std::vector<std::string> LinesStartingWith(const std::vector<std::string>& lines, const std::string& prefix) {
    std::vector<std::string> found;
    for (const std::string& line : lines) {
        if (line.compare(0, prefix.size(), prefix) == 0) found.push_back(line);
    }
    return found;
}

void ResetMachine() {
    RemoveTree(kSandbox);
    RemoveTree(LocalAppDataFolder() + L"\\Tarvolund");
    RemoveTree(L"C:\\Prevault");
    RemoveControlPanelKeys();
}

class FirmwareServer : public ::testing::Test {
protected:
    FirmwareServer() : registration_(kLocatorClassId, kServerDll) {}

    void SetUp() override {
        ResetMachine();
        MakeFolders(kSandbox);
        ASSERT_TRUE(CopyFileW(BuiltFilePath("QUELMAR_FIRMWARE_DLL").c_str(), kServerDll.c_str(), FALSE))
            << "QUELMAR_FIRMWARE_DLL: " << ToUtf8(BuiltFilePath("QUELMAR_FIRMWARE_DLL"));
    }
    void TearDown() override { ResetMachine(); }

    static void WriteScenario(const std::string& setting, const std::string& scenario = "") {
        WriteFileBytes(kSettingFile, setting);
        if (!scenario.empty()) WriteFileBytes(kScenarioFile, scenario);
    }

    static DWORD RunSetup(const wchar_t* argument) {
        const std::wstring exe = BuiltFilePath("QUELMAR_SETUP_EXE");
        const std::wstring commandLine = L"\"" + exe + L"\" " + argument;
        DWORD exitCode = 0xDEAD;
        EXPECT_TRUE(RunProcess(exe.c_str(), commandLine.c_str(), &exitCode)) << ToUtf8(commandLine);
        return exitCode;
    }

    static std::vector<std::string> Journal() { return Lines(ReadFileBytes(kJournalFile)); }

private:
    ComServerRegistration registration_;
};

struct InstallCase {
    const char* name;
    const char* setting;
    bool supported;
};

class FirmwareServerInstall : public FirmwareServer, public ::testing::WithParamInterface<InstallCase> {};

// The program asks the firmware once, through Wine's COM; which answers count
// as supported, and the record it sends, are checked in process (tests/bios/).
TEST_P(FirmwareServerInstall, AsksTheFirmwareOnceAndFollowsItsAnswer) {
    const InstallCase& c = GetParam();
    WriteScenario(c.setting);

    EXPECT_EQ(RunSetup(L"-install"), 1603u);

    const std::vector<std::string> journal = Journal();
    ASSERT_FALSE(journal.empty());
    EXPECT_EQ(journal.front(), kCreateLocator);
    const std::string answer = std::string(c.setting, 11);
    EXPECT_EQ(LinesStartingWith(journal, "Execute:"),
              std::vector<std::string>{"Execute: command 1, rwReturnCode 0, data 00 00 00 00, answer " + answer});
    EXPECT_EQ(ReadFileBytes(kSettingFile), c.setting);
    EXPECT_TRUE(c.supported ? ControlPanelKeysPresent() : ControlPanelKeysAbsent());
    const std::string log = SetupLog();
    EXPECT_EQ(log.find(kTaskFailedLine) != std::string::npos, c.supported) << log;
    EXPECT_EQ(log.rfind(kRefusalLine, 0) == 0, !c.supported) << log;
}

INSTANTIATE_TEST_SUITE_P(Settings, FirmwareServerInstall,
                         ::testing::Values(InstallCase{"SupportedStopsAtWine8LogonTrigger", "01 00 00 00\n", true},
                                           InstallCase{"Refused", "00 3C 7E 81\n", false}),
                         [](const ::testing::TestParamInfo<InstallCase>& info) { return info.param.name; });

// Which bytes are written back, and that nothing is after a failed read, is checked in process.
TEST_F(FirmwareServer, UninstallWritesTheSettingBack) {
    WriteScenario("A0 A1 A2 A3\n");

    EXPECT_EQ(RunSetup(L"-uninstall"), 0u);

    EXPECT_EQ(ReadFileBytes(kSettingFile), "A0 00 00 A3\n");
}

struct BadScenarioCase {
    const char* name;
    const char* setting;
    const char* scenario;
    const char* journalLine;
};

class FirmwareServerBadScenario : public FirmwareServer, public ::testing::WithParamInterface<BadScenarioCase> {};

// A scenario that cannot be read creates no locator, and the journal says why.
TEST_P(FirmwareServerBadScenario, NoLocatorAndTheReasonJournalled) {
    const BadScenarioCase& c = GetParam();
    WriteScenario(c.setting, c.scenario);

    EXPECT_EQ(RunSetup(L"-install"), 1603u);

    const std::vector<std::string> expected = {c.journalLine};
    EXPECT_EQ(Journal(), expected);
    EXPECT_EQ(SetupLog().rfind(kRefusalLine, 0), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Scenarios, FirmwareServerBadScenario,
    ::testing::Values(
        BadScenarioCase{"ShortSetting", "01 00 00\n", "",
                        "CreateInstance WbemAdministrativeLocator: firmware-setting.txt does not hold 4 bytes "
                        "in hexadecimal, as \"5A 3C 7E 81\" -> 0x80004005"},
        BadScenarioCase{"UnknownLine", "01 00 00 00\n", "no instance\nfail GetObject\n",
                        "CreateInstance WbemAdministrativeLocator: firmware-scenario.txt line 2 not "
                        "understood: \"fail GetObject\" -> 0x80004005"},
        BadScenarioCase{"PlannedFailure", "01 00 00 00\n", "fail CreateInstance WbemAdministrativeLocator 80040154\n",
                        "CreateInstance WbemAdministrativeLocator -> 0x80040154"}),
    [](const ::testing::TestParamInfo<BadScenarioCase>& info) { return info.param.name; });

TEST(ComServerRegistration, ServesTheDllAndPutsBackWinesOwnServer) {
    const std::wstring key = ComServerRegistration::ServerKey(kLocatorClassId);
    DWORD type = 0;
    std::vector<BYTE> wines;
    ASSERT_TRUE(ReadRegistryValue(HKEY_CLASSES_ROOT, key, L"", KEY_WOW64_32KEY, &type, &wines));
    {
        ComServerRegistration registration(kLocatorClassId, L"C:\\elsewhere\\server.dll");
        std::vector<BYTE> data;
        ASSERT_TRUE(ReadRegistryValue(HKEY_CLASSES_ROOT, key, L"", KEY_WOW64_32KEY, &type, &data));
        EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(data.data())), L"C:\\elsewhere\\server.dll");
        ASSERT_TRUE(ReadRegistryValue(HKEY_CLASSES_ROOT, key, L"ThreadingModel", KEY_WOW64_32KEY, &type, &data));
        EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(data.data())), L"Both");
    }
    std::vector<BYTE> restored;
    ASSERT_TRUE(ReadRegistryValue(HKEY_CLASSES_ROOT, key, L"", KEY_WOW64_32KEY, &type, &restored));
    EXPECT_EQ(restored, wines);
}

}  // namespace
