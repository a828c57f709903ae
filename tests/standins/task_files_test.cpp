// The stand-in's tasks kept on disk as Windows keeps them: a folder per task
// folder, an XML document per task, and a failure plan read from a file.
#include "failure_plan_file.h"
#include "standin_fixture.h"
#include "task/logon_task.h"
#include "task_folder_store.h"
#include "task_xml.h"

namespace {

const std::wstring kRoot = L"C:\\task-files-test\\Tasks";

std::string Readable(const std::string& taskFile) { return ToUtf8(TaskFileText(taskFile)); }

class TaskFiles : public StandinTaskScheduler {
protected:
    void SetUp() override {
        StandinTaskScheduler::SetUp();
        RemoveTree(L"C:\\task-files-test");
        MakeFolders(kRoot);
    }
    void TearDown() override {
        StandinTaskScheduler::TearDown();
        RemoveTree(L"C:\\task-files-test");
    }

    TaskFolderStore store_{kRoot};
};

TEST_F(TaskFiles, RegistrationAndRemovalChangeTheFolderTreeOnDisk) {
    store_.Load(model_);
    model_.store = &store_;

    ASSERT_EQ(AddTaskScheduler(), 0);
    const std::string task = ReadFileBytes(kRoot + L"\\Tarvolund\\Tarvo Quelmar\\Tarvo Quelmar Start at Logon");
    EXPECT_EQ(task.compare(0, 2, "\xFF\xFE"), 0);
    EXPECT_NE(Readable(task).find("    <Principal id=\"AllUsers\">\r\n      <GroupId>S-1-5-32-545</GroupId>\r\n"),
              std::string::npos)
        << Readable(task);

    TaskSchedulerModel reloaded;
    store_.Load(reloaded);
    const TaskModel* found = reloaded.FindTask(kProductPath, kTaskName);
    ASSERT_NE(found, nullptr);
    EXPECT_FALSE(found->hidden);

    EXPECT_EQ(DeleteTaskScheduler(), 0);
    EXPECT_FALSE(FileExists(kRoot + L"\\Tarvolund"));
    EXPECT_TRUE(FileExists(kRoot));
}

// A change that cannot be kept on disk is not made in the model either.
TEST_F(TaskFiles, ATaskThatCannotBeWrittenIsNotRegistered) {
    model_.AddFolder(kProductPath);  // known to the model, missing on disk
    model_.store = &store_;

    EXPECT_EQ(AddTaskScheduler(), 1);
    EXPECT_EQ(model_.FindTask(kProductPath, kTaskName), nullptr);
    EXPECT_NE(SetupLog().find("AddTaskScheduler(): Error saveing the Task (80070003)"), std::string::npos)
        << SetupLog();
}

struct PlantedFile {
    const char* name;
    std::string bytes;
    bool hidden;
};

class PlantedTaskFile : public TaskFiles, public ::testing::WithParamInterface<PlantedFile> {};

TEST_P(PlantedTaskFile, IsLoadedWithItsHiddenFlagAndLeftUntouched) {
    const PlantedFile& c = GetParam();
    MakeFolders(kRoot + L"\\Tarvolund\\Other");
    const std::wstring path = kRoot + L"\\Tarvolund\\Other\\Planted";
    WriteFileBytes(path, c.bytes);

    store_.Load(model_);
    model_.store = &store_;
    ASSERT_EQ(AddTaskScheduler(), 0);
    EXPECT_EQ(DeleteTaskScheduler(), 0);

    const TaskModel* planted = model_.FindTask(L"\\Tarvolund\\Other", L"Planted");
    ASSERT_NE(planted, nullptr);
    EXPECT_EQ(planted->hidden, c.hidden);
    EXPECT_EQ(ReadFileBytes(path), c.bytes);
    EXPECT_TRUE(FileExists(kRoot + L"\\Tarvolund"));
    EXPECT_FALSE(FileExists(kRoot + L"\\Tarvolund\\Tarvo Quelmar"));
}

INSTANTIATE_TEST_SUITE_P(
    Documents, PlantedTaskFile,
    ::testing::Values(
        PlantedFile{"Utf16Hidden", TaskFileBytes(L"<Task><Settings><Hidden>true</Hidden></Settings></Task>"), true},
        PlantedFile{"Utf8WithBomHiddenAsOne",
                    "\xEF\xBB\xBF<Task>\r\n  <Settings>\r\n    <Hidden> 1 </Hidden>\r\n  </Settings>\r\n</Task>", true},
        PlantedFile{"Utf8NotHidden", "<Task><Settings><Hidden>false</Hidden></Settings></Task>", false},
        PlantedFile{"HiddenOutsideTheSettings", "<Task><Data><Hidden>true</Hidden></Data><Settings/></Task>", false},
        PlantedFile{"Empty", "", false}),
    [](const ::testing::TestParamInfo<PlantedFile>& info) { return info.param.name; });

struct PrincipalCase {
    const char* name;
    VariantArgument user;
    TASK_LOGON_TYPE logonType;
    const char* principalId;  // null: never set
    const char* expected;     // the document from <Principals> to the end
};

const PrincipalCase kPrincipals[] = {
    {"GroupAccount",
     {VT_BSTR, L"S-1-5-32-545"},
     TASK_LOGON_GROUP,
     "AllUsers",
     "  <Principals>\r\n    <Principal id=\"AllUsers\">\r\n      <GroupId>S-1-5-32-545</GroupId>\r\n"
     "    </Principal>\r\n  </Principals>\r\n  <Actions Context=\"AllUsers\">\r\n  </Actions>\r\n</Task>"},
    {"InteractiveUser",
     {VT_BSTR, L"PC\\me"},
     TASK_LOGON_INTERACTIVE_TOKEN,
     nullptr,
     "  <Principals>\r\n    <Principal>\r\n      <UserId>PC\\me</UserId>\r\n"
     "      <LogonType>InteractiveToken</LogonType>\r\n    </Principal>\r\n  </Principals>\r\n"
     "  <Actions>\r\n  </Actions>\r\n</Task>"},
    {"IdWithMarkup",
     {VT_EMPTY, L""},
     TASK_LOGON_NONE,
     "a\"<&>",
     "  <Principals>\r\n    <Principal id=\"a&quot;&lt;&amp;&gt;\">\r\n    </Principal>\r\n  </Principals>\r\n"
     "  <Actions Context=\"a&quot;&lt;&amp;&gt;\">\r\n  </Actions>\r\n</Task>"},
    {"NothingSet", {VT_EMPTY, L""}, TASK_LOGON_NONE, nullptr, "  <Actions>\r\n  </Actions>\r\n</Task>"},
};

class TaskDocumentPrincipal : public ::testing::TestWithParam<PrincipalCase> {};

// What the registration implies, and nothing that was never set.
TEST_P(TaskDocumentPrincipal, FollowsTheRegistration) {
    const PrincipalCase& c = GetParam();
    TaskModel task;
    task.registration.user = c.user;
    task.registration.logonType = c.logonType;
    if (c.principalId) task.definition.principal["Id"] = ToWide(c.principalId);

    const std::string head =
        "<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n"
        "<Task version=\"1.2\" xmlns=\"http://schemas.microsoft.com/windows/2004/02/mit/task\">\r\n"
        "  <RegistrationInfo>\r\n    <URI>\\A &amp; B\\T</URI>\r\n  </RegistrationInfo>\r\n";
    EXPECT_EQ(ToUtf8(TaskXml(L"\\A & B\\T", task)), head + c.expected);
}

INSTANTIATE_TEST_SUITE_P(Registrations, TaskDocumentPrincipal, ::testing::ValuesIn(kPrincipals),
                         [](const ::testing::TestParamInfo<PrincipalCase>& info) { return info.param.name; });

TEST(TaskDocument, EscapesTextAndKeepsQuotesInElements) {
    TaskModel task;
    task.definition.registrationInfo["Author"] = std::wstring(L"Tarvo & <Sons>");
    task.definition.actions.push_back(
        {TASK_ACTION_EXEC, {{"Path", std::wstring(L"C:\\a b\\x.exe")}, {"Arguments", std::wstring(L"\"q\" > out")}}});
    const std::string xml = ToUtf8(TaskXml(L"\\T", task));
    EXPECT_NE(xml.find("    <Author>Tarvo &amp; &lt;Sons&gt;</Author>\r\n"), std::string::npos) << xml;
    EXPECT_NE(xml.find("    <Exec>\r\n      <Command>C:\\a b\\x.exe</Command>\r\n"
                       "      <Arguments>\"q\" &gt; out</Arguments>\r\n    </Exec>\r\n"),
              std::string::npos)
        << xml;
}

struct PlanCase {
    const char* name;
    std::string file;
    bool understood;
    HRESULT onProductFolder;  // ITaskFolder::GetTasks on \Tarvolund\Tarvo Quelmar
    HRESULT onMakerFolder;    // ITaskFolder::GetTasks on \Tarvolund
};

const PlanCase kPlans[] = {
    {"EveryFolder", "fail ITaskFolder::GetTasks 80070005\r\n", true, E_ACCESSDENIED, E_ACCESSDENIED},
    {"OneFolder", "# comment\n\nfail ITaskFolder::GetTasks \\Tarvolund\\Tarvo Quelmar 0x8007000E\n", true,
     E_OUTOFMEMORY, S_OK},
    {"OtherCall", "fail ITaskFolder::DeleteTask 80070005", true, S_OK, S_OK},
    {"NoFile", "", true, S_OK, S_OK},
    {"NotAFailure", "ITaskFolder::GetTasks 80070005", false, S_OK, S_OK},
    {"WordForResult", "fail ITaskFolder::GetTasks acce55denied", false, S_OK, S_OK},
    {"MissingResult", "fail ITaskFolder::GetTasks", false, S_OK, S_OK},
    {"TooLong", "fail ITaskFolder::GetTasks 180070005", false, S_OK, S_OK},
};

class FailurePlanFile : public ::testing::TestWithParam<PlanCase> {
protected:
    void TearDown() override { RemoveTree(L"C:\\failure-plan-test"); }
};

TEST_P(FailurePlanFile, PlansEachLineOrNamesTheOneNotUnderstood) {
    const PlanCase& c = GetParam();
    const std::wstring path = L"C:\\failure-plan-test\\taskscheduler-scenario.txt";
    MakeFolders(L"C:\\failure-plan-test");
    if (!c.file.empty()) WriteFileBytes(path, c.file);

    TaskSchedulerModel model;
    std::string error;
    ASSERT_EQ(LoadFailurePlan(path, model, &error), c.understood);
    if (!c.understood) {
        EXPECT_EQ(error, c.file);
        return;
    }
    EXPECT_EQ(model.Enter("ITaskFolder::GetTasks", kProductPath), c.onProductFolder);
    EXPECT_EQ(model.Enter("ITaskFolder::GetTasks", kMakerPath), c.onMakerFolder);
}

INSTANTIATE_TEST_SUITE_P(Plans, FailurePlanFile, ::testing::ValuesIn(kPlans),
                         [](const ::testing::TestParamInfo<PlanCase>& info) { return info.param.name; });

}  // namespace
