// The built QuelmarSetup.exe registers its task with the Task Scheduler
// stand-in through Wine's own COM. Installing twice, a failed registration and
// the uninstall after it run end to end in setup_scenarios_e2e_test.cpp; each
// case of the removal is checked in process (tests/task/).
#include "sandbox_machine.h"

namespace {

class TaskSchedulerServer : public SandboxMachine {};

TEST_F(TaskSchedulerServer, InstallRegistersTheGoldenLogonTask) {
    EXPECT_EQ(RunSetup(L"-install"), 0u);

    ExpectTheGoldenTask();
    EXPECT_EQ(EntriesIn(kMakerFolder), 1u);
    EXPECT_EQ(EntriesIn(kProductFolder), 1u);
    // Kept where Windows keeps tasks, not in the 32-bit System32 that a
    // 32-bit process would otherwise be led to.
    const std::wstring throughLinux = BuiltFilePath("WINEPREFIX") +
                                      L"\\drive_c\\windows\\system32\\tasks\\Tarvolund\\Tarvo Quelmar\\"
                                      L"Tarvo Quelmar Start at Logon";
    EXPECT_TRUE(FileExists(throughLinux)) << ToUtf8(throughLinux);
    EXPECT_FALSE(FileExists(L"C:\\windows\\syswow64\\tasks\\Tarvolund"));
}

TEST_F(TaskSchedulerServer, UnreadableFailurePlanFailsTheServiceCreation) {
    WriteFileBytes(kTaskSchedulerScenario, "fail ITaskFolder::RegisterTaskDefinition access-denied\r\n");

    EXPECT_EQ(RunSetup(L"-install"), 1603u);

    EXPECT_FALSE(FileExists(kMakerFolder));
    const std::string log = SetupLog();
    EXPECT_NE(log.find("AddTaskScheduler(): Failed to create an instance of ITaskService (8007000d)"),
              std::string::npos)
        << log;
}

// Another product's task, read from its file, survives untouched, and so does the folder holding it.
TEST_F(TaskSchedulerServer, UninstallKeepsAnotherProductsTaskAndItsFolder) {
    const std::wstring other = kMakerFolder + L"\\Tarvo Oskel Update";
    MakeFolders(kMakerFolder);
    const std::string planted = PlantedTask(L"\\Tarvolund\\Tarvo Oskel Update", false);
    WriteFileBytes(other, planted);
    ASSERT_EQ(RunSetup(L"-install"), 0u);

    EXPECT_EQ(RunSetup(L"-uninstall"), 0u);

    EXPECT_FALSE(FileExists(kProductFolder));
    EXPECT_EQ(ReadFileBytes(other), planted);
}

}  // namespace
