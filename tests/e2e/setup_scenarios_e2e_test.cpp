// The built QuelmarSetup.exe on a sandbox machine, in the sequences an
// installer engineer meets: a failed install followed by an uninstall, and a
// Prevault log that has reached its size limit.
#include <algorithm>

#include "sandbox_machine.h"

namespace {

class SetupScenario : public SandboxMachine {};

TEST_F(SetupScenario, UninstallAfterAFailedInstallRemovesWhatItLeft) {
    WriteFileBytes(kTaskSchedulerScenario, "fail ITaskFolder::RegisterTaskDefinition 80070005\r\n");
    ASSERT_EQ(RunSetup(L"-install"), 1603u);
    // The failed registration keeps the Control Panel item and the task folders.
    ASSERT_TRUE(ControlPanelKeysPresent());
    ASSERT_TRUE(IsFolder(kProductFolder));
    EXPECT_FALSE(FileExists(kLogonTask));
    const std::vector<std::string> journal = Journal(kTaskSchedulerJournal);
    EXPECT_EQ(std::count(journal.begin(), journal.end(),
                         "ITaskFolder::RegisterTaskDefinition \\Tarvolund\\Tarvo Quelmar -> 0x80070005"),
              1);

    WriteFileBytes(kTaskSchedulerScenario, "");
    EXPECT_EQ(RunSetup(L"-uninstall"), 0u);

    EXPECT_TRUE(ControlPanelKeysAbsent());
    EXPECT_FALSE(FileExists(kMakerFolder));
}

TEST_F(SetupScenario, PrevaultLogAtItsLimitIsStartedAnewByTheInstall) {
    MakeFolders(L"C:\\Prevault\\Logs");
    WriteFileBytes(PrevaultLogPath(), std::string(1048576, 'o'));

    EXPECT_EQ(RunSetup(L"-install"), 0u);

    EXPECT_EQ(PrevaultLog(), kCompletedLine);
    EXPECT_FALSE(FileExists(SetupLogPath())) << "a successful install writes only the Prevault log";
}

TEST_F(SetupScenario, InstallTwiceAndUninstallTwice) {
    EXPECT_EQ(RunSetup(L"-install"), 0u);
    EXPECT_EQ(RunSetup(L"-install"), 0u);
    ExpectTheGoldenTask();
    EXPECT_TRUE(ControlPanelKeysPresent());

    EXPECT_EQ(RunSetup(L"-uninstall"), 0u);
    EXPECT_EQ(RunSetup(L"-uninstall"), 0u);
    EXPECT_FALSE(FileExists(kMakerFolder));
    EXPECT_TRUE(IsFolder(SystemTasksFolder()));
    EXPECT_TRUE(ControlPanelKeysAbsent());
    // Nothing to remove the second time, and nothing logged either time.
    EXPECT_FALSE(FileExists(SetupLogPath()));
}

}  // namespace
