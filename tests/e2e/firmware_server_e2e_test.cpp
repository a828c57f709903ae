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
// The method runs on the __PATH of the firmware's one tlvBIntM instance.
const std::string kOnInstance =
    R"(ExecMethod tlvBIOSInt4: path "\\QUELMAR\root\wmi:tlvBIntM.InstanceName="ACPI\\PNP0C14\\0_0"")";
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

TEST_F(FirmwareServer, SupportedInstallSendsTheWholeReadRecordAndStopsAtWine8LogonTrigger) {
    WriteScenario("01 00 00 00\n");

    EXPECT_EQ(RunSetup(L"-install"), 1603u);

    const std::vector<std::string> expected = {
        kCreateLocator,
        "ConnectServer root\\wmi",
        "GetObject tlvBIntM",
        "GetMethod tlvBIOSInt4: tlvBIntM class",
        "SpawnInstance __PARAMETERS: tlvBIOSInt4 in-signature",
        "GetObject tlvBDataIn",
        "SpawnInstance tlvBDataIn: tlvBDataIn class",
        "Put Sign: tlvBDataIn instance, VT 0x2011, lbound 0, 53 45 43 55",
        "Put Command: tlvBDataIn instance, VT 0x3, 1",
        "Put CommandType: tlvBDataIn instance, VT 0x3, 44",
        "Put Size: tlvBDataIn instance, VT 0x3, 4",
        "Put tlvBData: tlvBDataIn instance, VT 0x2011, lbound 0, 00 00 00 00",
        "Put InData: tlvBIOSInt4 in-parameters, VT 0xD, tlvBDataIn instance",
        "CreateInstanceEnum tlvBIntM: flags 0x30",
        "Next: timeout 2000, count 1",
        "Get __PATH: tlvBIntM instance",
        kOnInstance,
        "Execute: command 1, rwReturnCode 0, data 00 00 00 00, answer 01 00 00 00",
        "Get OutData: tlvBIOSInt4 out-parameters",
        "QueryInterface tlvBDataOut: tlvBDataOut instance",
        "Get rwReturnCode: tlvBDataOut instance",
        "Get Data: tlvBDataOut instance",
    };
    EXPECT_EQ(Journal(), expected);
    EXPECT_EQ(ReadFileBytes(kSettingFile), "01 00 00 00\n");
    EXPECT_TRUE(ControlPanelKeysPresent());
    const std::string log = SetupLog();
    EXPECT_NE(log.find(kTaskFailedLine), std::string::npos) << log;
    EXPECT_EQ(log.find(kRefusalLine), std::string::npos) << log;
}

struct InstallCase {
    const char* name;
    const char* setting;
    bool supported;
};

class FirmwareServerInstall : public FirmwareServer, public ::testing::WithParamInterface<InstallCase> {};

// Only bit 0 of the first answer byte decides; a refused install leaves no Control Panel item.
TEST_P(FirmwareServerInstall, OnlyBitZeroOfTheFirstByteDecides) {
    const InstallCase& c = GetParam();
    WriteScenario(c.setting);

    EXPECT_EQ(RunSetup(L"/INSTALL"), 1603u);

    const std::string log = SetupLog();
    EXPECT_TRUE(c.supported ? ControlPanelKeysPresent() : ControlPanelKeysAbsent());
    EXPECT_EQ(log.find(kTaskFailedLine) != std::string::npos, c.supported) << log;
    EXPECT_EQ(log.rfind(kRefusalLine, 0) == 0, !c.supported) << log;
    EXPECT_EQ(LinesStartingWith(Journal(), "Execute:").size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Settings, FirmwareServerInstall,
    ::testing::Values(InstallCase{"Unsupported", "00 00 00 00\n", false},
                      InstallCase{"EvenFirstByte", "FE FF FF FF\n", false},
                      InstallCase{"OddFirstByte", "81 00 00 00\n", true}),
    [](const ::testing::TestParamInfo<InstallCase>& info) { return info.param.name; });

TEST_F(FirmwareServer, UninstallWritesBackTheSettingWithItsMiddleBytesCleared) {
    WriteScenario("A0 A1 A2 A3\n");

    EXPECT_EQ(RunSetup(L"-uninstall"), 0u);

    const std::vector<std::string> journal = Journal();
    const std::vector<std::string> commands = {
        "Put Command: tlvBDataIn instance, VT 0x3, 1",
        "Put Command: tlvBDataIn instance, VT 0x3, 2",
    };
    EXPECT_EQ(LinesStartingWith(journal, "Put Command:"), commands);
    const std::vector<std::string> data = {
        "Put tlvBData: tlvBDataIn instance, VT 0x2011, lbound 0, 00 00 00 00",
        "Put tlvBData: tlvBDataIn instance, VT 0x2011, lbound 0, A0 00 00 A3",
    };
    EXPECT_EQ(LinesStartingWith(journal, "Put tlvBData:"), data);
    const std::vector<std::string> executed = {
        "Execute: command 1, rwReturnCode 0, data 00 00 00 00, answer A0 A1 A2 A3",
        "Execute: command 2, rwReturnCode 0, data A0 00 00 A3, answer A0 00 00 A3",
    };
    EXPECT_EQ(LinesStartingWith(journal, "Execute:"), executed);
    // The second call builds the whole connection again.
    EXPECT_EQ(LinesStartingWith(journal, kCreateLocator).size(), 2u);
    EXPECT_EQ(LinesStartingWith(journal, "ConnectServer").size(), 2u);
    EXPECT_EQ(ReadFileBytes(kSettingFile), "A0 00 00 A3\n");
}

TEST_F(FirmwareServer, TheNextProcessReadsTheSettingThatTheUninstallWrote) {
    WriteScenario("A1 A1 A2 A3\n");
    EXPECT_EQ(RunSetup(L"-uninstall"), 0u);

    EXPECT_EQ(RunSetup(L"-install"), 1603u);

    const std::vector<std::string> executed = LinesStartingWith(Journal(), "Execute:");
    ASSERT_EQ(executed.size(), 3u);
    EXPECT_EQ(executed[2], "Execute: command 1, rwReturnCode 0, data 00 00 00 00, answer A1 00 00 A3");
    EXPECT_NE(SetupLog().find(kTaskFailedLine), std::string::npos);
}

struct FailedReadCase {
    const char* name;
    const char* failure;
    std::string failedLine;
};

class FirmwareServerFailedRead : public FirmwareServer, public ::testing::WithParamInterface<FailedReadCase> {};

TEST_P(FirmwareServerFailedRead, UninstallLeavesTheSettingUntouched) {
    const FailedReadCase& c = GetParam();
    WriteScenario("A0 A1 A2 A3\n", std::string("# the first read fails\n") + c.failure + "\n");

    EXPECT_EQ(RunSetup(L"-uninstall"), 0u);

    const std::vector<std::string> journal = Journal();
    EXPECT_EQ(LinesStartingWith(journal, c.failedLine).size(), 1u);
    EXPECT_TRUE(LinesStartingWith(journal, "Put Command: tlvBDataIn instance, VT 0x3, 2").empty());
    EXPECT_TRUE(LinesStartingWith(journal, "Execute:").empty());
    EXPECT_EQ(LinesStartingWith(journal, kCreateLocator).size(), 1u);
    EXPECT_EQ(ReadFileBytes(kSettingFile), "A0 A1 A2 A3\n");
}

INSTANTIATE_TEST_SUITE_P(
    FirstReadFailures, FirmwareServerFailedRead,
    ::testing::Values(
        FailedReadCase{"GetObject", "fail GetObject tlvBIntM 80041002", "GetObject tlvBIntM -> 0x80041002"},
        FailedReadCase{"ExecMethod", "fail ExecMethod tlvBIOSInt4 0x80041001", kOnInstance + " -> 0x80041001"}),
    [](const ::testing::TestParamInfo<FailedReadCase>& info) { return info.param.name; });

struct AnswerShapeCase {
    const char* name;
    const char* scenario;
    std::string lastJournalLine;
};

class FirmwareServerAnswerShape : public FirmwareServer,
                                  public ::testing::WithParamInterface<AnswerShapeCase> {};

// A supported setting whose answer never arrives as 4 bytes reads as unsupported.
TEST_P(FirmwareServerAnswerShape, SupportedSettingIsRefusedWhenTheAnswerIsNotFourBytes) {
    const AnswerShapeCase& c = GetParam();
    WriteScenario("01 00 00 00\n", c.scenario);

    EXPECT_EQ(RunSetup(L"-install"), 1603u);

    const std::vector<std::string> journal = Journal();
    ASSERT_FALSE(journal.empty());
    EXPECT_EQ(journal.back(), c.lastJournalLine);
    EXPECT_EQ(SetupLog().rfind(kRefusalLine, 0), 0u);
    EXPECT_TRUE(ControlPanelKeysAbsent());
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, FirmwareServerAnswerShape,
    ::testing::Values(
        AnswerShapeCase{"ThreeElements", "data elements 3\n", "Get Data: tlvBDataOut instance"},
        AnswerShapeCase{"LowerBoundOne", "data lower bound 1\n", "Get Data: tlvBDataOut instance"},
        AnswerShapeCase{"NotAnArray", "data not an array\n", "Get Data: tlvBDataOut instance"},
        AnswerShapeCase{"NoOutDataObject", "no OutData object\n", "Get OutData: tlvBIOSInt4 out-parameters"},
        AnswerShapeCase{"NoOutParameters", "no out-parameters\n",
                        "Execute: command 1, rwReturnCode 0, data 00 00 00 00, answer 01 00 00 00"},
        AnswerShapeCase{"NoInstance", "no instance\n", "ExecMethod tlvBIOSInt4: path \"\" -> 0x8004103A"}),
    [](const ::testing::TestParamInfo<AnswerShapeCase>& info) { return info.param.name; });

struct BadScenarioCase {
    const char* name;
    const char* setting;
    const char* scenario;
    const char* journalLine;
};

class FirmwareServerBadScenario : public FirmwareServer,
                                  public ::testing::WithParamInterface<BadScenarioCase> {};

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
        BadScenarioCase{"PlannedFailure", "01 00 00 00\n",
                        "fail CreateInstance WbemAdministrativeLocator 80040154\n",
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
