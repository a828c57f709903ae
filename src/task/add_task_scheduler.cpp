#include "log/bounded_format.h"
#include "log/steps.h"
#include "task/local_task_service.h"
#include "task/logon_task.h"
#include "task/logon_trigger.h"
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
    RETURN_LOGGED_IF(!api().SHGetSpecialFolderPathW(nullptr, path, CSIDL_PROGRAM_FILES, FALSE) || path[0] == L'\0',
                     kNoProgramFiles, false);
    RETURN_LOGGED_IF(!BoundedAppendW(path, MAX_PATH, kExecutableUnderProgramFiles), kPathTooLong, false);
    return true;
}

// Makes the VARIANT hold a BSTR copy of text; false when the copy cannot be made.
bool HoldString(Variant& variant, const wchar_t* text) {
    variant->vt = VT_BSTR;
    variant->bstrVal = api().SysAllocString(text);
    return variant->bstrVal != nullptr;
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
    RETURN_LOGGED_IF_FAILED(WithBstr(kRootFolder, [&](BSTR p) { return service->GetFolder(p, root.put()); }),
                            kRootFolderFailed, false);
    ComPtr<ITaskFolder> maker;
    RETURN_LOGGED_IF_FAILED(OpenOrCreateFolder(root.get(), kMakerFolder, maker), kMakerFolderFailed, false);
    root.reset();
    RETURN_LOGGED_IF_FAILED(OpenOrCreateFolder(maker.get(), kProductFolder, product), kProductFolderFailed, false);
    return true;
}

bool DescribeTask(ITaskDefinition* definition) {
    ComPtr<IRegistrationInfo> info;
    RETURN_LOGGED_IF_FAILED(definition->get_RegistrationInfo(info.put()), kRegistrationInfoFailed, false);
    LOG_IF_FAILED(WithBstr(kAuthor, [&](BSTR s) { return info->put_Author(s); }), kAuthorFailed);
    LOG_IF_FAILED(WithBstr(kDate, [&](BSTR s) { return info->put_Date(s); }), kDateFailed);
    LOG_IF_FAILED(WithBstr(kDescription, [&](BSTR s) { return info->put_Description(s); }), kDescriptionFailed);
    return true;
}

bool SetTaskSettings(ITaskDefinition* definition) {
    ComPtr<ITaskSettings> settings;
    RETURN_LOGGED_IF_FAILED(definition->get_Settings(settings.put()), kSettingsFailed, false);
    LOG_IF_FAILED(settings->put_MultipleInstances(TASK_INSTANCES_PARALLEL), kInstancesFailed);
    RETURN_LOGGED_IF_FAILED(settings->put_DisallowStartIfOnBatteries(VARIANT_FALSE), kOnBatteriesFailed, false);
    RETURN_LOGGED_IF_FAILED(settings->put_StopIfGoingOnBatteries(VARIANT_FALSE), kGoingOnBatteriesFailed, false);
    RETURN_LOGGED_IF_FAILED(WithBstr(kNoTimeLimit, [&](BSTR s) { return settings->put_ExecutionTimeLimit(s); }),
                            kTimeLimitFailed, false);
    // Idle settings that cannot be had are left as they are.
    ComPtr<IIdleSettings> idle;
    if (SUCCEEDED(LOG_IF_FAILED(settings->get_IdleSettings(idle.put()), kIdleSettingsFailed)))
        LOG_IF_FAILED(idle->put_StopOnIdleEnd(VARIANT_FALSE), kStopOnIdleEndFailed);
    return true;
}

bool AddLogonTrigger(ITaskDefinition* definition) {
    ComPtr<ITriggerCollection> triggers;
    ComPtr<ITrigger> trigger;
    ComPtr<ILogonTrigger> logon;
    RETURN_LOGGED_IF_FAILED(definition->get_Triggers(triggers.put()), kTriggersFailed, false);
    RETURN_LOGGED_IF_FAILED(triggers->Create(TASK_TRIGGER_LOGON, trigger.put()), kCreateTriggerFailed, false);
    triggers.reset();
    RETURN_LOGGED_IF_FAILED(trigger->QueryInterface(IID_ILogonTrigger, logon.put_void()), kLogonTriggerFailed, false);
    trigger.reset();
    // A null user id makes the trigger fire for any user.
    RETURN_LOGGED_IF_FAILED(logon->put_UserId(nullptr), kUserIdFailed, false);
    RETURN_LOGGED_IF_FAILED(WithBstr(kLogonDelay, [&](BSTR s) { return logon->put_Delay(s); }), kDelayFailed, false);
    return true;
}

bool AddExecAction(ITaskDefinition* definition, const wchar_t* executablePath) {
    ComPtr<IActionCollection> actions;
    ComPtr<IAction> action;
    ComPtr<IExecAction> exec;
    RETURN_LOGGED_IF_FAILED(definition->get_Actions(actions.put()), kActionsFailed, false);
    RETURN_LOGGED_IF_FAILED(actions->Create(TASK_ACTION_EXEC, action.put()), kCreateActionFailed, false);
    actions.reset();
    RETURN_LOGGED_IF_FAILED(action->QueryInterface(IID_IExecAction, exec.put_void()), kExecActionFailed, false);
    action.reset();
    RETURN_LOGGED_IF_FAILED(WithBstr(executablePath, [&](BSTR s) { return exec->put_Path(s); }), kPathFailed, false);
    RETURN_LOGGED_IF_FAILED(WithBstr(kArguments, [&](BSTR s) { return exec->put_Arguments(s); }), kArgumentsFailed,
                            false);
    return true;
}

bool SetPrincipal(ITaskDefinition* definition) {
    ComPtr<IPrincipal> principal;
    RETURN_LOGGED_IF_FAILED(definition->get_Principal(principal.put()), kPrincipalFailed, false);
    // Not looked at: without its id the task is still registered for the Users group.
    IGNORE_RESULT(WithBstr(kPrincipalId, [&](BSTR s) { return principal->put_Id(s); }));
    return true;
}

// Registers for the Users group, with no password and the default security.
HRESULT RegisterLogonTask(ITaskFolder* folder, ITaskDefinition* definition, IRegisteredTask** registered) {
    Bstr path(kLogonTaskName);
    Variant user, password, security;
    if (!path || !HoldString(user, kUsersGroupSid) || !HoldString(security, kDefaultSecurity)) return E_OUTOFMEMORY;
    return folder->RegisterTaskDefinition(path.get(), definition, TASK_CREATE_OR_UPDATE, *user.get(), *password.get(),
                                          TASK_LOGON_GROUP, *security.get(), registered);
}

}  // namespace

// Every way out releases what is still held in the reverse order of the
// owners below, then leaves COM; the steps release their objects early.
int AddTaskScheduler() {
    ComApartment com;
    RETURN_LOGGED_IF_FAILED(com.enter(COINIT_MULTITHREADED), kCoInitializeExFailed, kTaskSchedulerFailed);
    RETURN_LOGGED_IF_FAILED(InitializeTaskSchedulerSecurity(), kSecurityFailed, kTaskSchedulerFailed);

    wchar_t executablePath[MAX_PATH];
    if (!BuildExecutablePath(executablePath)) return kTaskSchedulerFailed;

    ComPtr<ITaskService> service;
    ComPtr<ITaskFolder> productFolder;
    ComPtr<ITaskDefinition> definition;
    RETURN_LOGGED_IF_FAILED(CreateTaskService(service.put()), kCreateServiceFailed, kTaskSchedulerFailed);
    RETURN_LOGGED_IF_FAILED(ConnectToLocalMachine(service.get()), kConnectFailed, kTaskSchedulerFailed);
    if (!OpenProductFolder(service.get(), productFolder)) return kTaskSchedulerFailed;

    // An older task goes first, so that a later failure leaves none behind;
    // there may be none to delete.
    IGNORE_RESULT(WithBstr(kLogonTaskName, [&](BSTR name) { return productFolder->DeleteTask(name, 0); }));

    RETURN_LOGGED_IF_FAILED(service->NewTask(0, definition.put()), kNewTaskFailed, kTaskSchedulerFailed);
    service.reset();

    if (!DescribeTask(definition.get())) return kTaskSchedulerFailed;
    if (!SetTaskSettings(definition.get())) return kTaskSchedulerFailed;
    if (!AddLogonTrigger(definition.get())) return kTaskSchedulerFailed;
    if (!AddExecAction(definition.get(), executablePath)) return kTaskSchedulerFailed;
    if (!SetPrincipal(definition.get())) return kTaskSchedulerFailed;

    ComPtr<IRegisteredTask> registered;
    RETURN_LOGGED_IF_FAILED(RegisterLogonTask(productFolder.get(), definition.get(), registered.put()), kRegisterFailed,
                            kTaskSchedulerFailed);
    definition.reset();
    productFolder.reset();
    registered.reset();
    return kTaskSchedulerSucceeded;
}
