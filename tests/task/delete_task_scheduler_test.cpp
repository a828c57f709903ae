#include "standin_fixture.h"
#include "log/setup_log.h"
#include "task/logon_task.h"

namespace {

class DeleteTaskSchedulerOnStandin : public StandinTaskScheduler {
protected:
    // What an installation leaves: the two folders and the task.
    void Install() { model_.AddTask(kProductPath, kTaskName); }
    bool HasTask() { return model_.FindTask(kProductPath, kTaskName) != nullptr; }
    bool HasProductFolder() { return model_.FindFolder(kProductPath) != nullptr; }
    bool HasMakerFolder() { return model_.FindFolder(kMakerPath) != nullptr; }
    // The tasks and folders in the product's folders that are not ours.
    size_t Others() {
        size_t others = 0;
        if (const FolderModel* product = model_.FindFolder(kProductPath))
            others += product->folders.size() + product->tasks.size() - product->tasks.count(kTaskName);
        if (const FolderModel* maker = model_.FindFolder(kMakerPath))
            others += maker->folders.size() + maker->tasks.size() - maker->folders.count(L"Tarvo Quelmar");
        return others;
    }
};

// The state before a removal, and what the removal leaves.
struct Removal {
    const char* name;
    void (*arrange)(TaskSchedulerModel&);
    bool productFolderLeft;
    bool makerFolderLeft;
    // Only a folder counted empty is asked to be deleted.
    bool deletesProductFolder;
    bool deletesMakerFolder;
};

const Removal kRemovals[] = {
    {"NothingInstalled", [](TaskSchedulerModel&) {}, false, false, false, false},
    {"EmptyMakerFolderWithoutProductFolder", [](TaskSchedulerModel& m) { m.AddFolder(kMakerPath); }, false, true, false,
     false},
    {"OnlyWhatTheInstallationMade", [](TaskSchedulerModel& m) { m.AddTask(kProductPath, kTaskName); }, false, false,
     true, true},
    {"TaskAlreadyGone", [](TaskSchedulerModel& m) { m.AddFolder(kProductPath); }, false, false, true, true},
    {"ProductFolderHoldsAnotherTask",
     [](TaskSchedulerModel& m) {
         m.AddTask(kProductPath, kTaskName);
         m.AddTask(kProductPath, L"Another task");
     },
     true, true, false, false},
    {"ProductFolderHoldsAHiddenTask",
     [](TaskSchedulerModel& m) {
         m.AddTask(kProductPath, kTaskName);
         m.AddTask(kProductPath, L"Hidden task", true);
     },
     true, true, false, false},
    {"ProductFolderHoldsAFolder",
     [](TaskSchedulerModel& m) {
         m.AddTask(kProductPath, kTaskName);
         m.AddFolder(kProductPath + L"\\Plugins");
     },
     true, true, false, false},
    {"MakerFolderHoldsAnotherProduct",
     [](TaskSchedulerModel& m) {
         m.AddTask(kProductPath, kTaskName);
         m.AddFolder(kMakerPath + L"\\Other Product");
     },
     false, true, true, false},
    {"MakerFolderHoldsAHiddenTask",
     [](TaskSchedulerModel& m) {
         m.AddTask(kProductPath, kTaskName);
         m.AddTask(kMakerPath, L"Maker task", true);
     },
     false, true, true, false},
    {"ProductFolderCannotBeDeleted",
     [](TaskSchedulerModel& m) {
         m.AddTask(kProductPath, kTaskName);
         m.Fail("ITaskFolder::DeleteFolder", E_ACCESSDENIED, kMakerPath);
     },
     true, true, true, false},
};

class DeleteTaskSchedulerRemoval : public DeleteTaskSchedulerOnStandin,
                                   public ::testing::WithParamInterface<Removal> {};

TEST_P(DeleteTaskSchedulerRemoval, DeletesTheTaskAndEachOfItsFoldersLeftEmpty) {
    const Removal& removal = GetParam();
    removal.arrange(model_);
    size_t others = Others();
    EXPECT_EQ(DeleteTaskScheduler(), 0);
    EXPECT_EQ(SetupLog(), "");
    EXPECT_FALSE(HasTask());
    EXPECT_EQ(HasProductFolder(), removal.productFolderLeft);
    EXPECT_EQ(HasMakerFolder(), removal.makerFolderLeft);
    EXPECT_EQ(Count("ITaskFolder::DeleteFolder \\Tarvolund"), removal.deletesProductFolder ? 1 : 0);
    EXPECT_EQ(Count("ITaskFolder::DeleteFolder \\"), removal.deletesMakerFolder ? 1 : 0);
    EXPECT_EQ(Others(), others) << "tasks and folders of others are never touched";
}

INSTANTIATE_TEST_SUITE_P(EachCase, DeleteTaskSchedulerRemoval, ::testing::ValuesIn(kRemovals),
                         [](const ::testing::TestParamInfo<Removal>& info) { return std::string(info.param.name); });

// The holding spans and the release order are promised: when the maker
// folder is deleted only the service and the root folder are held (each
// collection went after its count, each folder before the one above deletes
// it), and those two go last, before the apartment is left.
TEST_F(DeleteTaskSchedulerOnStandin, HoldsOnlyTheServiceAndRootToDeleteTheMakerFolderAndReleasesThemLast) {
    Install();
    ASSERT_EQ(DeleteTaskScheduler(), 0);
    EXPECT_EQ(model_.aliveAt["ITaskFolder::DeleteFolder \\"], 2);
    EXPECT_EQ(std::vector<std::string>(model_.calls.end() - 3, model_.calls.end()),
              (std::vector<std::string>{"ITaskFolder released \\", "ITaskService released", "CoUninitialize"}));
}

TEST_F(DeleteTaskSchedulerOnStandin, ASecondRemovalFindsNothingAndLogsNothing) {
    Install();
    ASSERT_EQ(DeleteTaskScheduler(), 0);
    model_.calls.clear();
    EXPECT_EQ(DeleteTaskScheduler(), 0);
    EXPECT_EQ(SetupLog(), "");
    EXPECT_EQ(Count("ITaskFolder::DeleteTask \\Tarvolund\\Tarvo Quelmar"), 0);
    EXPECT_EQ(Count("ITaskFolder::DeleteFolder \\"), 0);
    EXPECT_FALSE(HasMakerFolder());
}

TEST_F(DeleteTaskSchedulerOnStandin, ATaskNameThatCannotBeAllocatedLeavesTheTaskAndItsFolders) {
    Install();
    FailAllocationOf(kTaskName.c_str());
    EXPECT_EQ(DeleteTaskScheduler(), 0);
    EXPECT_EQ(SetupLog(), "");
    EXPECT_TRUE(HasTask());
    EXPECT_TRUE(HasMakerFolder());
}

// What a failure leaves of an installation.
enum class Left { Everything, FoldersWithoutTask, MakerFolderOnly };

struct Failure {
    const char* call;
    const wchar_t* on;
    HRESULT result;
    const char* logged;  // as it lands in the log file (in text mode)
    int returned;
    Left left;
};

const Failure kFailures[] = {
    {"CoInitializeEx", L"", RPC_E_CHANGED_MODE, "DeleteTaskScheduler(): CoInitializeEx failed (80010106)\r\n", 1,
     Left::Everything},
    {"CoInitializeSecurity", L"", RPC_E_TOO_LATE,
     "DeleteTaskScheduler(): CoInitialSecurity failed failed (80010119)\r\n", 1, Left::Everything},
    {"CoCreateInstance", L"", REGDB_E_CLASSNOTREG,
     "DeleteTaskScheduler(): Failed to create an instance of ITaskService (80040154)", 1, Left::Everything},
    {"ITaskService::Connect", L"", E_ACCESSDENIED, "DeleteTaskScheduler(): ITaskService::Connect failed (80070005)", 1,
     Left::Everything},
    {"ITaskService::GetFolder", L"", E_FAIL, "DeleteTaskScheduler(): Cannot get Root Task Folder pointer (80004005)", 1,
     Left::Everything},
    {"ITaskFolder::GetTasks", L"\\Tarvolund\\Tarvo Quelmar", E_FAIL,
     "DeleteTaskScheduler(): Cannot get tasks from Tarvo sub folder (80004005)", 1, Left::FoldersWithoutTask},
    {"IRegisteredTaskCollection::get_Count", L"\\Tarvolund\\Tarvo Quelmar", E_NOTIMPL,
     "DeleteTaskScheduler(): Cannot get task count from Tarvo sub folder (80004001)", 1, Left::FoldersWithoutTask},
    {"ITaskFolder::GetFolders", L"\\Tarvolund\\Tarvo Quelmar", E_ACCESSDENIED,
     "DeleteTaskScheduler(): Cannot get folders from Tarvo sub folder (80070005)", 1, Left::FoldersWithoutTask},
    {"ITaskFolderCollection::get_Count", L"\\Tarvolund\\Tarvo Quelmar", E_FAIL,
     "DeleteTaskScheduler(): Cannot get folder count from Tarvo sub folder (80004005)", 1, Left::FoldersWithoutTask},
    {"ITaskFolder::GetTasks", L"\\Tarvolund", E_FAIL,
     "DeleteTaskScheduler(): Cannot get tasks from Tarvo folder (80004005)", 1, Left::MakerFolderOnly},
    {"IRegisteredTaskCollection::get_Count", L"\\Tarvolund", E_NOTIMPL,
     "DeleteTaskScheduler(): Cannot get task count from Tarvo folder (80004001)", 1, Left::MakerFolderOnly},
    {"ITaskFolder::GetFolders", L"\\Tarvolund", E_ACCESSDENIED,
     "DeleteTaskScheduler(): Cannot get folders from Tarvo Folder (80070005)", 1, Left::MakerFolderOnly},
    {"ITaskFolderCollection::get_Count", L"\\Tarvolund", E_FAIL,
     "DeleteTaskScheduler(): Cannot get folder count from Tarvo Folder (80004005)", 1, Left::MakerFolderOnly},
    // Folders that cannot be opened are passed over without a word.
    {"ITaskFolder::GetFolder", L"\\", E_ACCESSDENIED, "", 0, Left::Everything},
    {"ITaskFolder::GetFolder", L"\\Tarvolund", E_ACCESSDENIED, "", 0, Left::Everything},
};

class DeleteTaskSchedulerFailure : public DeleteTaskSchedulerOnStandin,
                                   public ::testing::WithParamInterface<Failure> {};

TEST_P(DeleteTaskSchedulerFailure, LogsItsMessageReturnsItsResultAndKeepsWhatWasDeleted) {
    const Failure& failure = GetParam();
    Install();
    model_.Fail(failure.call, failure.result, failure.on);

    EXPECT_EQ(DeleteTaskScheduler(), failure.returned);
    // The next entry runs on where a message ends no line.
    LogMessage("next entry\n");
    EXPECT_EQ(SetupLog(), (*failure.logged ? std::string("[T] ") + failure.logged : "") + "[T] next entry\r\n");
    EXPECT_EQ(Count("CoUninitialize"), std::string(failure.call) == "CoInitializeEx" ? 0 : 1);
    EXPECT_EQ(HasTask(), failure.left == Left::Everything);
    EXPECT_EQ(HasProductFolder(), failure.left != Left::MakerFolderOnly);
    EXPECT_TRUE(HasMakerFolder());
}

INSTANTIATE_TEST_SUITE_P(EveryStep, DeleteTaskSchedulerFailure, ::testing::ValuesIn(kFailures),
                         [](const ::testing::TestParamInfo<Failure>& info) {
                             return CallCaseName(info.param.call, info.param.on);
                         });

TEST_F(DeleteTaskSchedulerOnStandin, TheRootFolderNameThatCannotBeAllocatedFailsItsStep) {
    Install();
    FailAllocationOf(L"\\");
    EXPECT_EQ(DeleteTaskScheduler(), 1);
    EXPECT_EQ(SetupLog(), "[T] DeleteTaskScheduler(): Cannot get Root Task Folder pointer (8007000e)");
    EXPECT_TRUE(HasTask());
}

}  // namespace
