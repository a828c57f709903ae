#include "task/logon_task.h"
#include "task/task_calls.h"
#include "task/task_names.h"

namespace {

constexpr const char* kCoInitializeExFailed = "DeleteTaskScheduler(): CoInitializeEx failed (%x)\n";
constexpr const char* kSecurityFailed = "DeleteTaskScheduler(): CoInitialSecurity failed failed (%x)\n";
constexpr const char* kCreateServiceFailed =
    "DeleteTaskScheduler(): Failed to create an instance of ITaskService (%x)";
constexpr const char* kConnectFailed = "DeleteTaskScheduler(): ITaskService::Connect failed (%x)";
constexpr const char* kRootFolderFailed = "DeleteTaskScheduler(): Cannot get Root Task Folder pointer (%x)";

// The messages of counting what a folder holds.
struct CountMessages {
    const char* getTasks;
    const char* taskCount;
    const char* getFolders;
    const char* folderCount;
};

constexpr CountMessages kProductFolderCount = {
    "DeleteTaskScheduler(): Cannot get tasks from Tarvo sub folder (%x)",
    "DeleteTaskScheduler(): Cannot get task count from Tarvo sub folder (%x)",
    "DeleteTaskScheduler(): Cannot get folders from Tarvo sub folder (%x)",
    "DeleteTaskScheduler(): Cannot get folder count from Tarvo sub folder (%x)",
};

constexpr CountMessages kMakerFolderCount = {
    "DeleteTaskScheduler(): Cannot get tasks from Tarvo folder (%x)",
    "DeleteTaskScheduler(): Cannot get task count from Tarvo folder (%x)",
    "DeleteTaskScheduler(): Cannot get folders from Tarvo Folder (%x)",
    "DeleteTaskScheduler(): Cannot get folder count from Tarvo Folder (%x)",
};

HRESULT OpenFolder(ITaskFolder* parent, const wchar_t* name, ComPtr<ITaskFolder>& folder) {
    return WithBstr(name, [&](BSTR n) { return parent->GetFolder(n, folder.put()); });
}

// Whether the folder holds no task (hidden ones included) and no sub folder.
// The folder is released once counted. False when counting failed.
bool CountIsEmpty(ComPtr<ITaskFolder>& folder, const CountMessages& messages, bool* empty) {
    LONG tasks = 0;
    LONG folders = 0;
    ComPtr<IRegisteredTaskCollection> taskList;
    if (LogIfFailed(folder->GetTasks(TASK_ENUM_HIDDEN, taskList.put()), messages.getTasks)) return false;
    HRESULT hr = taskList->get_Count(&tasks);
    taskList.reset();
    if (LogIfFailed(hr, messages.taskCount)) return false;

    ComPtr<ITaskFolderCollection> folderList;
    if (LogIfFailed(folder->GetFolders(0, folderList.put()), messages.getFolders)) return false;
    hr = folderList->get_Count(&folders);
    folderList.reset();
    folder.reset();
    if (LogIfFailed(hr, messages.folderCount)) return false;

    *empty = tasks == 0 && folders == 0;
    return true;
}

}  // namespace

// A name that cannot be copied into a BSTR fails its call with E_OUTOFMEMORY,
// with that call's consequences. Every way out releases what is still held in
// the reverse order of the owners below, then leaves COM.
int DeleteTaskScheduler() {
    ComApartment com;
    if (LogIfFailed(com.enter(COINIT_MULTITHREADED), kCoInitializeExFailed) ||
        LogIfFailed(InitializeTaskSchedulerSecurity(), kSecurityFailed))
        return 1;

    ComPtr<ITaskService> service;
    ComPtr<ITaskFolder> root;
    if (LogIfFailed(CreateTaskService(service.put()), kCreateServiceFailed) ||
        LogIfFailed(ConnectToLocalMachine(service.get()), kConnectFailed) ||
        LogIfFailed(WithBstr(kRootFolder, [&](BSTR p) { return service->GetFolder(p, root.put()); }),
                    kRootFolderFailed))
        return 1;

    // Folders that cannot be opened hold nothing of ours.
    ComPtr<ITaskFolder> maker;
    ComPtr<ITaskFolder> product;
    if (FAILED(OpenFolder(root.get(), kMakerFolder, maker)) ||
        FAILED(OpenFolder(maker.get(), kProductFolder, product)))
        return 0;

    // A missing task is no failure.
    WithBstr(kLogonTaskName, [&](BSTR name) { return product->DeleteTask(name, 0); });

    bool empty = false;
    if (!CountIsEmpty(product, kProductFolderCount, &empty)) return 1;
    if (!empty) return 0;
    WithBstr(kProductFolder, [&](BSTR name) { return maker->DeleteFolder(name, 0); });

    // A product folder that could not be deleted counts as a folder here.
    if (!CountIsEmpty(maker, kMakerFolderCount, &empty)) return 1;
    if (empty) WithBstr(kMakerFolder, [&](BSTR name) { return root->DeleteFolder(name, 0); });
    return 0;
}
