// The built QuelmarSetup.exe asks the simulated firmware through Wine's own
// COM; which answers count as supported, and the record it sends, are checked
// in process (tests/bios/).
#include "sandbox_machine.h"

namespace {

const std::string kCreateLocator = "CreateInstance WbemAdministrativeLocator";

std::vector<std::string> LinesStartingWith(const std::vector<std::string>& lines, const std::string& prefix) {
    std::vector<std::string> found;
    for (const std::string& line : lines) {
        if (line.compare(0, prefix.size(), prefix) == 0) found.push_back(line);
    }
    return found;
}

class FirmwareServer : public SandboxMachine {};

struct InstallCase {
    const char* name;
    const char* setting;
    bool supported;
};

class FirmwareServerInstall : public FirmwareServer, public ::testing::WithParamInterface<InstallCase> {};

TEST_P(FirmwareServerInstall, AsksTheFirmwareOnceAndFollowsItsAnswer) {
    const InstallCase& c = GetParam();
    WriteFileBytes(kFirmwareSetting, c.setting);

    EXPECT_EQ(RunSetup(L"-install"), c.supported ? 0u : 1603u);

    const std::vector<std::string> journal = Journal(kFirmwareJournal);
    ASSERT_FALSE(journal.empty());
    EXPECT_EQ(journal.front(), kCreateLocator);
    const std::string answer = std::string(c.setting, 11);
    EXPECT_EQ(LinesStartingWith(journal, "Execute:"),
              std::vector<std::string>{"Execute: command 1, rwReturnCode 0, data 00 00 00 00, answer " + answer});
    EXPECT_EQ(ReadFileBytes(kFirmwareSetting), c.setting);
    EXPECT_TRUE(c.supported ? ControlPanelKeysPresent() : ControlPanelKeysAbsent());
    EXPECT_EQ(FileExists(kLogonTask), c.supported);
    EXPECT_EQ(SetupLog().rfind(kRefusalLine, 0) == 0, !c.supported) << SetupLog();
}

INSTANTIATE_TEST_SUITE_P(Settings, FirmwareServerInstall,
                         ::testing::Values(InstallCase{"Supported", "01 00 00 00\n", true},
                                           InstallCase{"Refused", "00 3C 7E 81\n", false}),
                         [](const ::testing::TestParamInfo<InstallCase>& info) { return info.param.name; });

// Which bytes are written back, and that nothing is after a failed read, is checked in process.
TEST_F(FirmwareServer, UninstallWritesTheSettingBack) {
    WriteFileBytes(kFirmwareSetting, "A0 A1 A2 A3\n");

    EXPECT_EQ(RunSetup(L"-uninstall"), 0u);

    EXPECT_EQ(ReadFileBytes(kFirmwareSetting), "A0 00 00 A3\n");
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
    WriteFileBytes(kFirmwareSetting, c.setting);
    if (*c.scenario) WriteFileBytes(kFirmwareScenario, c.scenario);

    EXPECT_EQ(RunSetup(L"-install"), 1603u);

    EXPECT_EQ(Journal(kFirmwareJournal), std::vector<std::string>{c.journalLine});
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

}  // namespace
