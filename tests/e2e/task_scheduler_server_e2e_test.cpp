// The built QuelmarSetup.exe against the Task Scheduler stand-in, served as a
// COM DLL that the prefix registers as CLSID_TaskScheduler (Wine 8's own
// cannot create a logon trigger nor count a folder's tasks), with the
// simulated firmware saying the machine is supported. The stand-in keeps each
// task as its XML document under the real C:\Windows\System32\Tasks.
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

TEST_F(TaskSchedulerServer, InstallTwiceLeavesTheSameSingleTask) {
    EXPECT_EQ(RunSetup(L"-install"), 0u);
    EXPECT_EQ(RunSetup(L"/install"), 0u);

    ExpectTheGoldenTask();
    EXPECT_EQ(EntriesIn(kProductFolder), 1u);
}

TEST_F(TaskSchedulerServer, UninstallRemovesTheTaskAndBothFoldersAndCanRunAgain) {
    ASSERT_EQ(RunSetup(L"-install"), 0u);

    EXPECT_EQ(RunSetup(L"-uninstall"), 0u);
    EXPECT_FALSE(FileExists(kLogonTask));
    EXPECT_FALSE(FileExists(kProductFolder));
    EXPECT_FALSE(FileExists(kMakerFolder));
    EXPECT_TRUE(IsFolder(SystemTasksFolder()));

    EXPECT_EQ(RunSetup(L"-uninstall"), 0u);
    EXPECT_FALSE(FileExists(kMakerFolder));
}

TEST_F(TaskSchedulerServer, PlannedRegistrationFailureFailsTheInstallAndLeavesTheFolders) {
    WriteFileBytes(kFailurePlan, "# the service refuses the task\r\nITaskFolder::RegisterTaskDefinition 80070005\r\n");

    EXPECT_EQ(RunSetup(L"-install"), 1603u);

    EXPECT_FALSE(FileExists(kLogonTask));
    EXPECT_TRUE(IsFolder(kProductFolder));
    const std::string log = SetupLog();
    EXPECT_NE(log.find("[T] AddTaskScheduler(): Error saveing the Task (80070005)[T] Install: Failed adding a "
                       "task to the task scheduler.\r\n"),
              std::string::npos)
        << log;
}

TEST_F(TaskSchedulerServer, UnreadableFailurePlanFailsTheServiceCreation) {
    WriteFileBytes(kFailurePlan, "ITaskFolder::RegisterTaskDefinition access-denied\r\n");

    EXPECT_EQ(RunSetup(L"-install"), 1603u);

    EXPECT_FALSE(FileExists(kMakerFolder));
    const std::string log = SetupLog();
    EXPECT_NE(log.find("AddTaskScheduler(): Failed to create an instance of ITaskService (8007000d)"),
              std::string::npos)
        << log;
}

struct LeftBehind {
    const char* name;
    std::wstring plantedTask;  // a file of another product, placed before the install
    bool hidden;
    bool makerFolderStays;
    bool productFolderStays;
};

class TaskSchedulerServerUninstall : public TaskSchedulerServer, public ::testing::WithParamInterface<LeftBehind> {};

// Another product's task survives untouched, and so does every folder that holds it.
TEST_P(TaskSchedulerServerUninstall, KeepsOtherTasksAndTheFoldersHoldingThem) {
    const LeftBehind& c = GetParam();
    MakeFolders(ParentPath(c.plantedTask));
    const std::string planted = PlantedTask(L"\\Tarvolund\\" + c.plantedTask.substr(kMakerFolder.size() + 1), c.hidden);
    WriteFileBytes(c.plantedTask, planted);
    ASSERT_EQ(RunSetup(L"-install"), 0u);
    ExpectTheGoldenTask();

    EXPECT_EQ(RunSetup(L"-uninstall"), 0u);

    EXPECT_FALSE(FileExists(kLogonTask));
    EXPECT_EQ(ReadFileBytes(c.plantedTask), planted);
    EXPECT_EQ(IsFolder(kMakerFolder), c.makerFolderStays);
    EXPECT_EQ(IsFolder(kProductFolder), c.productFolderStays);
}

INSTANTIATE_TEST_SUITE_P(OthersTasks, TaskSchedulerServerUninstall,
                         ::testing::Values(LeftBehind{"OtherProductsTaskInTheMakerFolder",
                                                      kMakerFolder + L"\\Tarvo Oskel Update", false, true, false},
                                           LeftBehind{"HiddenTaskInTheProductFolder",
                                                      kProductFolder + L"\\Tarvo Quelmar Helper", true, true, true},
                                           LeftBehind{"VisibleTaskInTheProductFolder",
                                                      kProductFolder + L"\\Tarvo Quelmar Helper", false, true, true}),
                         [](const ::testing::TestParamInfo<LeftBehind>& info) { return info.param.name; });

}  // namespace
