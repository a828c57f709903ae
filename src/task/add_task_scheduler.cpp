#include "log/bounded_format.h"
#include "log/setup_log.h"
#include "task/logon_task.h"
#include "task/logon_trigger.h"
#include "task/task_calls.h"
#include "task/task_names.h"

namespace {

// Messages of the failing calls; log readers search for them as they stand.
constexpr const char* kCoInitializeExFailed = "AddTaskScheduler(): CoInitializeEx failed (%x)\n";
constexpr const char* kSecurityFailed = "AddTaskScheduler(): CoInitialSecurity failed failed (%x)\n";
constexpr const char* kNoProgramFiles = "AddTaskScheduler(): Cannot get the Program Files folder\n";
constexpr const char* kPathTooLong = "AddTaskScheduler(): The path of the executable is too long\n";
constexpr const char* kCreateServiceFailed = "AddTaskScheduler(): Failed to create an instance of ITaskService (%x)";
constexpr const char* kConnectFailed = "AddTaskScheduler(): ITaskService::Connect failed (%x)";
constexpr const char* kRootFolderFailed = "AddTaskScheduler(): Cannot get Root Task Folder pointer (%x)";
constexpr const char* kMakerFolderFailed = "AddTaskScheduler(): Cannot create Tarvo Task Folder (%x)";
constexpr const char* kProductFolderFailed = "AddTaskScheduler(): Cannot create Tarvo Task Sub Folder (%x)";
constexpr const char* kNewTaskFailed = "AddTaskScheduler(): Failed to create a task definition (%x)";
constexpr const char* kRegistrationInfoFailed = "AddTaskScheduler(): Cannot get registration info (%x)";
constexpr const char* kAuthorFailed = "AddTaskScheduler(): Cannot put identification (author) info (%x)";
constexpr const char* kDateFailed = "AddTaskScheduler(): Cannot put registration date (%x)";
constexpr const char* kDescriptionFailed = "AddTaskScheduler(): Cannot put task description (%x)";
constexpr const char* kSettingsFailed = "AddTaskScheduler(): Cannot get task settings pointer (%x)";
constexpr const char* kInstancesFailed = "AddTaskScheduler(): Cannot put TASK_INSTANCES_PARALLEL (%x)";
constexpr const char* kOnBatteriesFailed = "AddTaskScheduler(): Cannot allow start if on batteries (%x)";
constexpr const char* kGoingOnBatteriesFailed = "AddTaskScheduler(): Cannot disable stop if going on batteries (%x)";
constexpr const char* kTimeLimitFailed = "AddTaskScheduler(): Cannot put execution time limit property (%x)";
constexpr const char* kIdleSettingsFailed = "AddTaskScheduler(): Cannot get idle settings interface (%x)";
constexpr const char* kStopOnIdleEndFailed = "AddTaskScheduler(): Cannot disable StopOnIdleEnd property (%x)";
constexpr const char* kTriggersFailed = "AddTaskScheduler(): Cannot get trigger collection (%x)";
constexpr const char* kCreateTriggerFailed = "AddTaskScheduler(): Cannot create the triger (%x)";
constexpr const char* kLogonTriggerFailed = "AddTaskScheduler(): QueryInterface call failed for ILogonTrigger (%x)";
constexpr const char* kUserIdFailed = "AddTaskScheduler(): Cannot put user ID (any user) to logon trigge (%x)";
constexpr const char* kDelayFailed = "AddTaskScheduler(): Cannot set delay time for task startr (%x)";
constexpr const char* kActionsFailed = "AddTaskScheduler(): Cannot get Task collection pointer (%x)";
constexpr const char* kCreateActionFailed = "AddTaskScheduler(): Cannot create the action (%x)";
constexpr const char* kExecActionFailed = "AddTaskScheduler(): QueryInterface call failed for IExecAction (%x)";
constexpr const char* kPathFailed = "AddTaskScheduler(): Cannot put path of executable (%x)";
constexpr const char* kArgumentsFailed = "AddTaskScheduler(): Cannot put arguments of executable (%x)";
constexpr const char* kPrincipalFailed = "AddTaskScheduler(): Cannot get pincipal interface (%x)";
constexpr const char* kRegisterFailed = "AddTaskScheduler(): Error saveing the Task (%x)";

// The task definition.
constexpr const wchar_t* kExecutableUnderProgramFiles = L"\\Tarvolund\\Tarvo Quelmar\\Quelmar.exe";
constexpr const wchar_t* kArguments = L"/byrunkey";
constexpr const wchar_t* kAuthor = L"Tarvolund";
constexpr const wchar_t* kDate = L"2013-05-01T02:10:00";
constexpr const wchar_t* kDescription = L"Start Tarvo Quelmar at Logon";
constexpr const wchar_t* kNoTimeLimit = L"PT0S";
constexpr const wchar_t* kLogonDelay = L"PT30S";
constexpr const wchar_t* kPrincipalId = L"AllUsers";
constexpr const wchar_t* kUsersGroupSid = L"S-1-5-32-545";
constexpr const wchar_t* kDefaultSecurity = L"";

// The product's executable under the Program Files folder. A task must never
// point at an empty or cut path, so a folder that cannot be had ends the
// registration.
bool BuildExecutablePath(wchar_t (&path)[MAX_PATH]) {
    path[0] = L'\0';
    if (!api().SHGetSpecialFolderPathW(nullptr, path, CSIDL_PROGRAM_FILES, FALSE) || path[0] == L'\0') {
        LogMessage(kNoProgramFiles);
        return false;
    }
    if (!BoundedAppendW(path, MAX_PATH, kExecutableUnderProgramFiles)) {
        LogMessage(kPathTooLong);
        return false;
    }
    return true;
}

// Opens the named folder, or creates it when it cannot be opened.
HRESULT OpenOrCreateFolder(ITaskFolder* parent, const wchar_t* name, ComPtr<ITaskFolder>& folder) {
    HRESULT hr = WithBstr(name, [&](BSTR n) { return parent->GetFolder(n, folder.put()); });
    if (SUCCEEDED(hr)) return hr;
    Variant defaultSecurity;
    return WithBstr(name, [&](BSTR n) { return parent->CreateFolder(n, *defaultSecurity.get(), folder.put()); });
}

bool OpenProductFolder(ITaskService* service, ComPtr<ITaskFolder>& product) {
    ComPtr<ITaskFolder> root;
    if (LogIfFailed(WithBstr(kRootFolder, [&](BSTR p) { return service->GetFolder(p, root.put()); }), kRootFolderFailed))
        return false;
    ComPtr<ITaskFolder> maker;
    if (LogIfFailed(OpenOrCreateFolder(root.get(), kMakerFolder, maker), kMakerFolderFailed)) return false;
    root.reset();
    return !LogIfFailed(OpenOrCreateFolder(maker.get(), kProductFolder, product), kProductFolderFailed);
}

bool DescribeTask(ITaskDefinition* definition) {
    ComPtr<IRegistrationInfo> info;
    if (LogIfFailed(definition->get_RegistrationInfo(info.put()), kRegistrationInfoFailed)) return false;
    LogIfFailed(WithBstr(kAuthor, [&](BSTR s) { return info->put_Author(s); }), kAuthorFailed);
    LogIfFailed(WithBstr(kDate, [&](BSTR s) { return info->put_Date(s); }), kDateFailed);
    LogIfFailed(WithBstr(kDescription, [&](BSTR s) { return info->put_Description(s); }), kDescriptionFailed);
    return true;
}

bool SetTaskSettings(ITaskDefinition* definition) {
    ComPtr<ITaskSettings> settings;
    if (LogIfFailed(definition->get_Settings(settings.put()), kSettingsFailed)) return false;
    LogIfFailed(settings->put_MultipleInstances(TASK_INSTANCES_PARALLEL), kInstancesFailed);
    if (LogIfFailed(settings->put_DisallowStartIfOnBatteries(VARIANT_FALSE), kOnBatteriesFailed) ||
        LogIfFailed(settings->put_StopIfGoingOnBatteries(VARIANT_FALSE), kGoingOnBatteriesFailed) ||
        LogIfFailed(WithBstr(kNoTimeLimit, [&](BSTR s) { return settings->put_ExecutionTimeLimit(s); }),
                    kTimeLimitFailed))
        return false;
    ComPtr<IIdleSettings> idle;
    if (!LogIfFailed(settings->get_IdleSettings(idle.put()), kIdleSettingsFailed))
        LogIfFailed(idle->put_StopOnIdleEnd(VARIANT_FALSE), kStopOnIdleEndFailed);
    return true;
}

bool AddLogonTrigger(ITaskDefinition* definition) {
    ComPtr<ITriggerCollection> triggers;
    ComPtr<ITrigger> trigger;
    ComPtr<ILogonTrigger> logon;
    if (LogIfFailed(definition->get_Triggers(triggers.put()), kTriggersFailed) ||
        LogIfFailed(triggers->Create(TASK_TRIGGER_LOGON, trigger.put()), kCreateTriggerFailed))
        return false;
    triggers.reset();
    if (LogIfFailed(trigger->QueryInterface(IID_ILogonTrigger, logon.put_void()), kLogonTriggerFailed))
        return false;
    trigger.reset();
    // A null user id makes the trigger fire for any user.
    return !LogIfFailed(logon->put_UserId(nullptr), kUserIdFailed) &&
           !LogIfFailed(WithBstr(kLogonDelay, [&](BSTR s) { return logon->put_Delay(s); }), kDelayFailed);
}

bool AddExecAction(ITaskDefinition* definition, const wchar_t* executablePath) {
    ComPtr<IActionCollection> actions;
    ComPtr<IAction> action;
    ComPtr<IExecAction> exec;
    if (LogIfFailed(definition->get_Actions(actions.put()), kActionsFailed) ||
        LogIfFailed(actions->Create(TASK_ACTION_EXEC, action.put()), kCreateActionFailed))
        return false;
    actions.reset();
    if (LogIfFailed(action->QueryInterface(IID_IExecAction, exec.put_void()), kExecActionFailed)) return false;
    action.reset();
    return !LogIfFailed(WithBstr(executablePath, [&](BSTR s) { return exec->put_Path(s); }), kPathFailed) &&
           !LogIfFailed(WithBstr(kArguments, [&](BSTR s) { return exec->put_Arguments(s); }), kArgumentsFailed);
}

bool SetPrincipal(ITaskDefinition* definition) {
    ComPtr<IPrincipal> principal;
    if (LogIfFailed(definition->get_Principal(principal.put()), kPrincipalFailed)) return false;
    WithBstr(kPrincipalId, [&](BSTR s) { return principal->put_Id(s); });  // its result is not looked at
    return true;
}

// Registers for the Users group, with no password and the default security.
HRESULT RegisterLogonTask(ITaskFolder* folder, ITaskDefinition* definition, IRegisteredTask** registered) {
    Bstr path(kLogonTaskName);
    Variant user, password, security;
    if (!path || !HoldString(user, kUsersGroupSid) || !HoldString(security, kDefaultSecurity))
        return E_OUTOFMEMORY;
    return folder->RegisterTaskDefinition(path.get(), definition, TASK_CREATE_OR_UPDATE, *user.get(),
                                          *password.get(), TASK_LOGON_GROUP, *security.get(), registered);
}

}  // namespace

// Every way out releases what is still held in the reverse order of the
// owners below, then leaves COM; the steps release their objects early.
int AddTaskScheduler() {
    ComApartment com;
    if (LogIfFailed(com.enter(COINIT_MULTITHREADED), kCoInitializeExFailed) ||
        LogIfFailed(InitializeTaskSchedulerSecurity(), kSecurityFailed))
        return 1;

    wchar_t executablePath[MAX_PATH];
    if (!BuildExecutablePath(executablePath)) return 1;

    ComPtr<ITaskService> service;
    ComPtr<ITaskFolder> productFolder;
    ComPtr<ITaskDefinition> definition;
    if (LogIfFailed(CreateTaskService(service.put()), kCreateServiceFailed) ||
        LogIfFailed(ConnectToLocalMachine(service.get()), kConnectFailed) ||
        !OpenProductFolder(service.get(), productFolder))
        return 1;

    // An older task goes first, so that a later failure leaves none behind.
    WithBstr(kLogonTaskName, [&](BSTR name) { return productFolder->DeleteTask(name, 0); });

    if (LogIfFailed(service->NewTask(0, definition.put()), kNewTaskFailed)) return 1;
    service.reset();

    if (!DescribeTask(definition.get()) || !SetTaskSettings(definition.get()) ||
        !AddLogonTrigger(definition.get()) || !AddExecAction(definition.get(), executablePath) ||
        !SetPrincipal(definition.get()))
        return 1;

    ComPtr<IRegisteredTask> registered;
    if (LogIfFailed(RegisterLogonTask(productFolder.get(), definition.get(), registered.put()), kRegisterFailed))
        return 1;
    definition.reset();
    productFolder.reset();
    registered.reset();
    return 0;
}
