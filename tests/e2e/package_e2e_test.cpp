// The sample installer package run by Wine's msiexec on a sandbox machine:
// QuelmarSetup.exe as its deferred custom actions.
#include "sandbox_machine.h"

namespace {

const std::wstring kProductFiles = L"C:\\Program Files (x86)\\Tarvolund\\Tarvo Quelmar";

DWORD RunMsiexec(const std::wstring& arguments) {
    const std::wstring commandLine = L"msiexec " + arguments + L" \"" + BuiltFilePath("QUELMAR_SAMPLE_MSI") + L"\" /qn";
    DWORD exitCode = 0xDEAD;
    EXPECT_TRUE(RunProcess(nullptr, commandLine.c_str(), &exitCode)) << ToUtf8(commandLine);
    return exitCode;
}

class SamplePackage : public SandboxMachine {
protected:
    void TearDown() override {
        RunMsiexec(L"/x");
        SandboxMachine::TearDown();
    }
};

TEST_F(SamplePackage, InstallAndRemoveTheProduct) {
    EXPECT_EQ(RunMsiexec(L"/i"), 0u);
    EXPECT_TRUE(FileExists(kProductFiles + L"\\Quelmar.exe"));
    ExpectTheGoldenTask();
    EXPECT_TRUE(ControlPanelKeysPresent());

    EXPECT_EQ(RunMsiexec(L"/x"), 0u);
    EXPECT_FALSE(FileExists(kProductFiles + L"\\Quelmar.exe"));
    EXPECT_FALSE(FileExists(kMakerFolder));
    EXPECT_TRUE(ControlPanelKeysAbsent());
}

// Windows' msiexec answers a failed custom action with 1603; Wine's with 1627.
TEST_F(SamplePackage, RefusedInstallFailsAndRollsBackWine1627) {
    WriteFileBytes(kFirmwareSetting, "00 3C 7E 81\n");

    EXPECT_EQ(RunMsiexec(L"/i"), 1627u);

    EXPECT_FALSE(FileExists(kProductFiles + L"\\QuelmarSetup.exe"));
    EXPECT_TRUE(ControlPanelKeysAbsent());
    EXPECT_FALSE(FileExists(kMakerFolder));
    // No rollback action runs the uninstall: the firmware setting is not written.
    EXPECT_EQ(ReadFileBytes(kFirmwareSetting), "00 3C 7E 81\n");
}

TEST_F(SamplePackage, FailedTaskRegistrationFailsTheInstallWine1627) {
    WriteFileBytes(kTaskSchedulerScenario, "fail ITaskFolder::RegisterTaskDefinition 80070005\r\n");

    EXPECT_EQ(RunMsiexec(L"/i"), 1627u);

    EXPECT_FALSE(FileExists(kProductFiles + L"\\QuelmarSetup.exe"));
    EXPECT_FALSE(FileExists(kLogonTask));
    const std::string log = SetupLog();
    EXPECT_NE(log.find("[T] Install: Failed adding a task to the task scheduler.\r\n"), std::string::npos) << log;
}

}  // namespace
