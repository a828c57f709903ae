#include "standin_fixture.h"
#include "task/logon_task.h"

namespace {

std::wstring ExecutablePath() { return ProgramFilesFolder() + L"\\Tarvolund\\Tarvo Quelmar\\Quelmar.exe"; }

class AddTaskSchedulerOnStandin : public StandinTaskScheduler {
protected:
    // A task of the same name that an earlier installation left.
    void AddOlderTask() { model_.AddTask(kProductPath, kTaskName); }
    const TaskModel* Task() { return model_.FindTask(kProductPath, kTaskName); }
    // The older task was never registered through the service; a new one was.
    bool HasOlderTask() { return Task() && Task()->registration.path.empty(); }
    bool HasNewTask() { return Task() && Task()->registration.path == kTaskName; }
};

TEST_F(AddTaskSchedulerOnStandin, RegistersTheLogonTaskAsDefinedAndNothingElse) {
    ASSERT_EQ(AddTaskScheduler(), 0);
    EXPECT_EQ(SetupLog(), "");

    const TaskModel* task = Task();
    ASSERT_NE(task, nullptr);
    const DefinitionModel& definition = task->definition;
    EXPECT_EQ(definition.registrationInfo,
              (Properties{{"Author", std::wstring(L"Tarvolund")},
                          {"Date", std::wstring(L"2013-05-01T02:10:00")},
                          {"Description", std::wstring(L"Start Tarvo Quelmar at Logon")}}));
    EXPECT_EQ(definition.settings, (Properties{{"MultipleInstances", long{TASK_INSTANCES_PARALLEL}},
                                               {"DisallowStartIfOnBatteries", long{VARIANT_FALSE}},
                                               {"StopIfGoingOnBatteries", long{VARIANT_FALSE}},
                                               {"ExecutionTimeLimit", std::wstring(L"PT0S")}}));
    EXPECT_EQ(definition.idleSettings, (Properties{{"StopOnIdleEnd", long{VARIANT_FALSE}}}));
    ASSERT_EQ(definition.triggers.size(), 1u);
    EXPECT_EQ(definition.triggers[0].type, TASK_TRIGGER_LOGON);
    EXPECT_EQ(definition.triggers[0].properties, (Properties{{"UserId", nullptr}, {"Delay", std::wstring(L"PT30S")}}));
    ASSERT_EQ(definition.actions.size(), 1u);
    EXPECT_EQ(definition.actions[0].type, TASK_ACTION_EXEC);
    EXPECT_EQ(definition.actions[0].properties,
              (Properties{{"Path", ExecutablePath()}, {"Arguments", std::wstring(L"/byrunkey")}}));
    EXPECT_EQ(definition.principal, (Properties{{"Id", std::wstring(L"AllUsers")}}));

    const Registration& registration = task->registration;
    EXPECT_EQ(registration.path, kTaskName);
    EXPECT_EQ(registration.flags, 6);
    EXPECT_EQ(registration.user.type, VT_BSTR);
    EXPECT_EQ(registration.user.text, L"S-1-5-32-545");
    EXPECT_EQ(registration.password.type, VT_EMPTY);
    EXPECT_EQ(registration.logonType, TASK_LOGON_GROUP);
    EXPECT_EQ(registration.sddl.type, VT_BSTR);
    EXPECT_EQ(registration.sddl.text, L"");

    // Created with the default security.
    EXPECT_EQ(model_.FindFolder(kMakerPath)->sddl.type, VT_EMPTY);
    EXPECT_EQ(model_.FindFolder(kProductPath)->sddl.type, VT_EMPTY);
}

// The holding spans and the release order are promised: by the registration
// only the product folder and the definition are held (the service, the
// other folders and each part of the definition went with their steps), and
// the last three go in this order, before the apartment is left.
TEST_F(AddTaskSchedulerOnStandin, HoldsOnlyTheFolderAndTheDefinitionToRegisterAndReleasesThemInOrder) {
    ASSERT_EQ(AddTaskScheduler(), 0);
    EXPECT_EQ(model_.aliveAt["ITaskFolder::RegisterTaskDefinition \\Tarvolund\\Tarvo Quelmar"], 2);
    EXPECT_EQ(std::vector<std::string>(model_.calls.end() - 4, model_.calls.end()),
              (std::vector<std::string>{"ITaskDefinition released", "ITaskFolder released " + ToUtf8(kProductPath),
                                        "IRegisteredTask released " + ToUtf8(kProductPath + L"\\" + kTaskName),
                                        "CoUninitialize"}));
}

// The apartment and the process security are promised to the service: the
// multithreaded apartment, packet privacy and impersonation, for both operations.
TEST_F(AddTaskSchedulerOnStandin, EntersTheMultithreadedApartmentWithPacketPrivacy) {
    for (int (*operation)() : {AddTaskScheduler, DeleteTaskScheduler}) {
        ASSERT_EQ(operation(), 0);
        EXPECT_EQ(com_.apartmentArguments, "null, 0");
        EXPECT_EQ(com_.securityArguments, "null, -1, null, null, 6, 3, null, 0, null");
    }
}

TEST_F(AddTaskSchedulerOnStandin, OpensTheFoldersThatExistAndCreatesOnlyTheMissingOnes) {
    model_.AddFolder(kMakerPath);
    ASSERT_EQ(AddTaskScheduler(), 0);
    EXPECT_EQ(Count("ITaskFolder::CreateFolder \\"), 0);
    EXPECT_EQ(Count("ITaskFolder::CreateFolder \\Tarvolund"), 1);

    model_.calls.clear();
    ASSERT_EQ(AddTaskScheduler(), 0);
    EXPECT_EQ(Count("ITaskFolder::CreateFolder \\"), 0);
    EXPECT_EQ(Count("ITaskFolder::CreateFolder \\Tarvolund"), 0);
    EXPECT_NE(Task(), nullptr);
    EXPECT_EQ(SetupLog(), "");
}

TEST_F(AddTaskSchedulerOnStandin, ReplacesAnOlderTaskOfTheSameName) {
    AddOlderTask();
    model_.AddTask(kProductPath, L"Another task");
    ASSERT_EQ(AddTaskScheduler(), 0);
    EXPECT_EQ(Count("ITaskFolder::DeleteTask \\Tarvolund\\Tarvo Quelmar"), 1);
    EXPECT_TRUE(HasNewTask());
    EXPECT_NE(model_.FindTask(kProductPath, L"Another task"), nullptr);
    EXPECT_EQ(SetupLog(), "");
}

TEST_F(AddTaskSchedulerOnStandin, IdleSettingsThatCannotBeHadLeaveStopOnIdleEndAlone) {
    model_.Fail("ITaskSettings::get_IdleSettings", E_NOTIMPL);
    ASSERT_EQ(AddTaskScheduler(), 0);
    EXPECT_EQ(SetupLog(), "[T] AddTaskScheduler(): Cannot get idle settings interface (80004001)");
    EXPECT_EQ(Count("IIdleSettings::put_StopOnIdleEnd"), 0);
    ASSERT_NE(Task(), nullptr);
    EXPECT_TRUE(Task()->definition.idleSettings.empty());
}

TEST_F(AddTaskSchedulerOnStandin, AThreadAlreadyInTheMultithreadedApartmentGoesOnAndLeavesItOnce) {
    model_.Fail("CoInitializeEx", S_FALSE);
    ASSERT_EQ(AddTaskScheduler(), 0);
    EXPECT_EQ(Count("CoUninitialize"), 1);
    EXPECT_NE(Task(), nullptr);
}

TEST_F(AddTaskSchedulerOnStandin, WithoutTheProgramFilesFolderNoTaskIsRegistered) {
    AddOlderTask();
    UseProgramFilesFolder(nullptr);
    EXPECT_EQ(AddTaskScheduler(), 1);
    EXPECT_EQ(SetupLog(), "[T] AddTaskScheduler(): Cannot get the Program Files folder\r\n");
    EXPECT_EQ(Count("CoCreateInstance"), 0);
    EXPECT_EQ(Count("CoUninitialize"), 1);

    DeleteFileW(SetupLogPath().c_str());
    UseProgramFilesFolder(L"");
    EXPECT_EQ(AddTaskScheduler(), 1);
    EXPECT_EQ(SetupLog(), "[T] AddTaskScheduler(): Cannot get the Program Files folder\r\n");
    EXPECT_TRUE(HasOlderTask());
}

TEST_F(AddTaskSchedulerOnStandin, AnExecutablePathThatWouldBeCutEndsTheRegistration) {
    // The executable's part is 36 characters: a 223-character folder fills the
    // 260-character buffer with its terminator, one more does not fit.
    const std::wstring fits = L"C:\\" + std::wstring(220, L'p');
    const std::wstring tooLong = fits + L"p";
    UseProgramFilesFolder(tooLong.c_str());
    EXPECT_EQ(AddTaskScheduler(), 1);
    EXPECT_EQ(SetupLog(), "[T] AddTaskScheduler(): The path of the executable is too long\r\n");
    EXPECT_EQ(Task(), nullptr);
    EXPECT_EQ(Count("CoCreateInstance"), 0);

    DeleteFileW(SetupLogPath().c_str());
    UseProgramFilesFolder(fits.c_str());
    ASSERT_EQ(AddTaskScheduler(), 0);
    EXPECT_EQ(SetupLog(), "");
    EXPECT_EQ(Task()->definition.actions[0].properties.at("Path"),
              PropertyValue(fits + L"\\Tarvolund\\Tarvo Quelmar\\Quelmar.exe"));
}

// What a failure leaves in the Task Scheduler.
enum class Left {
    OlderTask,        // nothing changed: the older task is still there
    NoFolder,         // the maker folder could not be created
    MakerFolderOnly,  // the product folder could not be created
    FoldersNoTask,    // the older task deleted, no new one registered
    NewTask,          // registered all the same
};

struct Failure {
    const char* call;
    const wchar_t* on;  // the folder the call is made on, or all
    HRESULT result;
    const char* logged;
    int returned;
    Left left;
};

// Runs start with the older task in place, except where a folder is to be created.
const Failure kFailures[] = {
    {"CoInitializeEx", L"", RPC_E_CHANGED_MODE, "AddTaskScheduler(): CoInitializeEx failed (80010106)\r\n", 1,
     Left::OlderTask},
    {"CoInitializeSecurity", L"", RPC_E_TOO_LATE, "AddTaskScheduler(): CoInitialSecurity failed failed (80010119)\r\n",
     1, Left::OlderTask},
    {"CoCreateInstance", L"", REGDB_E_CLASSNOTREG,
     "AddTaskScheduler(): Failed to create an instance of ITaskService (80040154)", 1, Left::OlderTask},
    {"ITaskService::Connect", L"", E_ACCESSDENIED, "AddTaskScheduler(): ITaskService::Connect failed (80070005)", 1,
     Left::OlderTask},
    {"ITaskService::GetFolder", L"", E_FAIL, "AddTaskScheduler(): Cannot get Root Task Folder pointer (80004005)", 1,
     Left::OlderTask},
    {"ITaskFolder::CreateFolder", L"\\", E_ACCESSDENIED,
     "AddTaskScheduler(): Cannot create Tarvo Task Folder (80070005)", 1, Left::NoFolder},
    {"ITaskFolder::CreateFolder", L"\\Tarvolund", E_ACCESSDENIED,
     "AddTaskScheduler(): Cannot create Tarvo Task Sub Folder (80070005)", 1, Left::MakerFolderOnly},
    {"ITaskService::NewTask", L"", E_OUTOFMEMORY, "AddTaskScheduler(): Failed to create a task definition (8007000e)",
     1, Left::FoldersNoTask},
    {"ITaskDefinition::get_RegistrationInfo", L"", E_FAIL,
     "AddTaskScheduler(): Cannot get registration info (80004005)", 1, Left::FoldersNoTask},
    {"IRegistrationInfo::put_Author", L"", E_FAIL,
     "AddTaskScheduler(): Cannot put identification (author) info (80004005)", 0, Left::NewTask},
    {"IRegistrationInfo::put_Date", L"", E_INVALIDARG, "AddTaskScheduler(): Cannot put registration date (80070057)", 0,
     Left::NewTask},
    {"IRegistrationInfo::put_Description", L"", E_FAIL, "AddTaskScheduler(): Cannot put task description (80004005)", 0,
     Left::NewTask},
    {"ITaskDefinition::get_Settings", L"", E_FAIL, "AddTaskScheduler(): Cannot get task settings pointer (80004005)", 1,
     Left::FoldersNoTask},
    {"ITaskSettings::put_MultipleInstances", L"", E_FAIL,
     "AddTaskScheduler(): Cannot put TASK_INSTANCES_PARALLEL (80004005)", 0, Left::NewTask},
    {"ITaskSettings::put_DisallowStartIfOnBatteries", L"", E_FAIL,
     "AddTaskScheduler(): Cannot allow start if on batteries (80004005)", 1, Left::FoldersNoTask},
    {"ITaskSettings::put_StopIfGoingOnBatteries", L"", E_FAIL,
     "AddTaskScheduler(): Cannot disable stop if going on batteries (80004005)", 1, Left::FoldersNoTask},
    {"ITaskSettings::put_ExecutionTimeLimit", L"", E_INVALIDARG,
     "AddTaskScheduler(): Cannot put execution time limit property (80070057)", 1, Left::FoldersNoTask},
    {"ITaskSettings::get_IdleSettings", L"", E_NOTIMPL,
     "AddTaskScheduler(): Cannot get idle settings interface (80004001)", 0, Left::NewTask},
    {"IIdleSettings::put_StopOnIdleEnd", L"", E_FAIL,
     "AddTaskScheduler(): Cannot disable StopOnIdleEnd property (80004005)", 0, Left::NewTask},
    {"ITaskDefinition::get_Triggers", L"", E_FAIL, "AddTaskScheduler(): Cannot get trigger collection (80004005)", 1,
     Left::FoldersNoTask},
    {"ITriggerCollection::Create", L"", E_NOTIMPL, "AddTaskScheduler(): Cannot create the triger (80004001)", 1,
     Left::FoldersNoTask},
    {"ITrigger::QueryInterface", L"", E_NOINTERFACE,
     "AddTaskScheduler(): QueryInterface call failed for ILogonTrigger (80004002)", 1, Left::FoldersNoTask},
    {"ILogonTrigger::put_UserId", L"", E_FAIL,
     "AddTaskScheduler(): Cannot put user ID (any user) to logon trigge (80004005)", 1, Left::FoldersNoTask},
    {"ILogonTrigger::put_Delay", L"", E_INVALIDARG,
     "AddTaskScheduler(): Cannot set delay time for task startr (80070057)", 1, Left::FoldersNoTask},
    {"ITaskDefinition::get_Actions", L"", E_FAIL, "AddTaskScheduler(): Cannot get Task collection pointer (80004005)",
     1, Left::FoldersNoTask},
    {"IActionCollection::Create", L"", E_FAIL, "AddTaskScheduler(): Cannot create the action (80004005)", 1,
     Left::FoldersNoTask},
    {"IAction::QueryInterface", L"", E_NOINTERFACE,
     "AddTaskScheduler(): QueryInterface call failed for IExecAction (80004002)", 1, Left::FoldersNoTask},
    {"IExecAction::put_Path", L"", E_INVALIDARG, "AddTaskScheduler(): Cannot put path of executable (80070057)", 1,
     Left::FoldersNoTask},
    {"IExecAction::put_Arguments", L"", E_FAIL, "AddTaskScheduler(): Cannot put arguments of executable (80004005)", 1,
     Left::FoldersNoTask},
    {"ITaskDefinition::get_Principal", L"", E_FAIL, "AddTaskScheduler(): Cannot get pincipal interface (80004005)", 1,
     Left::FoldersNoTask},
    {"ITaskFolder::RegisterTaskDefinition", L"", E_ACCESSDENIED,
     "AddTaskScheduler(): Error saveing the Task (80070005)", 1, Left::FoldersNoTask},
    // Calls whose failure is not looked at.
    {"ITaskFolder::DeleteTask", L"", E_ACCESSDENIED, "", 0, Left::NewTask},
    {"IPrincipal::put_Id", L"", E_FAIL, "", 0, Left::NewTask},
    // A folder that cannot be opened is created: here it exists already.
    {"ITaskFolder::GetFolder", L"\\", E_ACCESSDENIED, "AddTaskScheduler(): Cannot create Tarvo Task Folder (800700b7)",
     1, Left::OlderTask},
};

class AddTaskSchedulerFailure : public AddTaskSchedulerOnStandin, public ::testing::WithParamInterface<Failure> {};

TEST_P(AddTaskSchedulerFailure, LogsItsMessageReturnsItsResultAndLeavesWhatItShould) {
    const Failure& failure = GetParam();
    bool createsFolders = failure.left == Left::NoFolder || failure.left == Left::MakerFolderOnly;
    if (!createsFolders) AddOlderTask();
    model_.Fail(failure.call, failure.result, failure.on);

    EXPECT_EQ(AddTaskScheduler(), failure.returned);
    EXPECT_EQ(SetupLog(), *failure.logged ? std::string("[T] ") + failure.logged : "");
    EXPECT_EQ(Count("CoUninitialize"), std::string(failure.call) == "CoInitializeEx" ? 0 : 1);

    switch (failure.left) {
    case Left::OlderTask:
        EXPECT_TRUE(HasOlderTask());
        break;
    case Left::NoFolder:
        EXPECT_EQ(model_.FindFolder(kMakerPath), nullptr);
        break;
    case Left::MakerFolderOnly:
        EXPECT_NE(model_.FindFolder(kMakerPath), nullptr);
        EXPECT_EQ(model_.FindFolder(kProductPath), nullptr);
        break;
    case Left::FoldersNoTask:
        EXPECT_NE(model_.FindFolder(kProductPath), nullptr);
        EXPECT_EQ(Task(), nullptr);
        break;
    case Left::NewTask:
        EXPECT_TRUE(HasNewTask());
        break;
    }
}

INSTANTIATE_TEST_SUITE_P(EveryStep, AddTaskSchedulerFailure, ::testing::ValuesIn(kFailures),
                         [](const ::testing::TestParamInfo<Failure>& info) {
                             return CallCaseName(info.param.call, info.param.on);
                         });

// A string argument that cannot be allocated fails its call with E_OUTOFMEMORY.
struct Allocation {
    const char* name;  // the string's role
    const wchar_t* text;
    const char* logged;
    int returned;
};

const Allocation kAllocations[] = {
    {"RootFolderPath", L"\\", "AddTaskScheduler(): Cannot get Root Task Folder pointer (8007000e)", 1},
    {"ProductFolderName", L"Tarvo Quelmar", "AddTaskScheduler(): Cannot create Tarvo Task Sub Folder (8007000e)", 1},
    {"RegistrationDate", L"2013-05-01T02:10:00", "AddTaskScheduler(): Cannot put registration date (8007000e)", 0},
    {"NoTimeLimit", L"PT0S", "AddTaskScheduler(): Cannot put execution time limit property (8007000e)", 1},
    {"LogonDelay", L"PT30S", "AddTaskScheduler(): Cannot set delay time for task startr (8007000e)", 1},
    {"Arguments", L"/byrunkey", "AddTaskScheduler(): Cannot put arguments of executable (8007000e)", 1},
    {"PrincipalId", L"AllUsers", "", 0},
    {"UsersGroupSid", L"S-1-5-32-545", "AddTaskScheduler(): Error saveing the Task (8007000e)", 1},
    {"DefaultSecurity", L"", "AddTaskScheduler(): Error saveing the Task (8007000e)", 1},
};

class AddTaskSchedulerAllocation : public AddTaskSchedulerOnStandin,
                                   public ::testing::WithParamInterface<Allocation> {};

TEST_P(AddTaskSchedulerAllocation, FailsTheCallThatNeedsTheString) {
    const Allocation& allocation = GetParam();
    FailAllocationOf(allocation.text);
    EXPECT_EQ(AddTaskScheduler(), allocation.returned);
    EXPECT_EQ(SetupLog(), *allocation.logged ? std::string("[T] ") + allocation.logged : "");
    EXPECT_EQ(Task() != nullptr, allocation.returned == 0);
}

INSTANTIATE_TEST_SUITE_P(EachString, AddTaskSchedulerAllocation, ::testing::ValuesIn(kAllocations),
                         [](const ::testing::TestParamInfo<Allocation>& info) { return std::string(info.param.name); });

}  // namespace
