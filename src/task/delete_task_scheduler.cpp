#include "log/steps.h"
#include "task/local_task_service.h"
#include "task/logon_task.h"
#include "task/task_names.h"

namespace {

constexpr const char* kCoInitializeExFailed = "DeleteTaskScheduler(): CoInitializeEx failed (%x)\n";
constexpr const char* kSecurityFailed = "DeleteTaskScheduler(): CoInitialSecurity failed failed (%x)\n";
constexpr const char* kCreateServiceFailed = "DeleteTaskScheduler(): Failed to create an instance of ITaskService (%x)";
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

// What a folder holds, counting hidden tasks and sub folders.
enum class FolderContent { Empty, NotEmpty, CountFailed };

// The folder is released once counted, before a failed folder count is logged.
FolderContent CountContent(ComPtr<ITaskFolder>& folder, const CountMessages& messages) {
    LONG tasks = 0;
    LONG folders = 0;
    ComPtr<IRegisteredTaskCollection> taskList;
    RETURN_LOGGED_IF_FAILED(folder->GetTasks(TASK_ENUM_HIDDEN, taskList.put()), messages.getTasks,
                            FolderContent::CountFailed);
    const HRESULT taskCount = taskList->get_Count(&tasks);
    taskList.reset();
    RETURN_LOGGED_IF_FAILED(taskCount, messages.taskCount, FolderContent::CountFailed);

    ComPtr<ITaskFolderCollection> folderList;
    RETURN_LOGGED_IF_FAILED(folder->GetFolders(0, folderList.put()), messages.getFolders, FolderContent::CountFailed);
    const HRESULT folderCount = folderList->get_Count(&folders);
    folderList.reset();
    folder.reset();
    RETURN_LOGGED_IF_FAILED(folderCount, messages.folderCount, FolderContent::CountFailed);

    return tasks == 0 && folders == 0 ? FolderContent::Empty : FolderContent::NotEmpty;
}

}  // namespace

// A name that cannot be copied into a BSTR fails its call with E_OUTOFMEMORY,
// with that call's consequences. Every way out releases what is still held in
// the reverse order of the owners below, then leaves COM.
int DeleteTaskScheduler() {
    ComApartment com;
    RETURN_LOGGED_IF_FAILED(com.enter(COINIT_MULTITHREADED), kCoInitializeExFailed, kTaskSchedulerFailed);
    RETURN_LOGGED_IF_FAILED(InitializeTaskSchedulerSecurity(), kSecurityFailed, kTaskSchedulerFailed);

    ComPtr<ITaskService> service;
    ComPtr<ITaskFolder> root;
    RETURN_LOGGED_IF_FAILED(CreateTaskService(service.put()), kCreateServiceFailed, kTaskSchedulerFailed);
    RETURN_LOGGED_IF_FAILED(ConnectToLocalMachine(service.get()), kConnectFailed, kTaskSchedulerFailed);
    RETURN_LOGGED_IF_FAILED(WithBstr(kRootFolder, [&](BSTR p) { return service->GetFolder(p, root.put()); }),
                            kRootFolderFailed, kTaskSchedulerFailed);

    // Folders that cannot be opened hold nothing of ours: nothing to remove.
    ComPtr<ITaskFolder> maker;
    ComPtr<ITaskFolder> product;
    if (FAILED(OpenFolder(root.get(), kMakerFolder, maker))) return kTaskSchedulerSucceeded;
    if (FAILED(OpenFolder(maker.get(), kProductFolder, product))) return kTaskSchedulerSucceeded;

    // A missing task is no failure.
    IGNORE_RESULT(WithBstr(kLogonTaskName, [&](BSTR name) { return product->DeleteTask(name, 0); }));

    const FolderContent productContent = CountContent(product, kProductFolderCount);
    if (productContent == FolderContent::CountFailed) return kTaskSchedulerFailed;
    if (productContent == FolderContent::NotEmpty) return kTaskSchedulerSucceeded;
    // A product folder that could not be deleted counts as a folder below.
    IGNORE_RESULT(WithBstr(kProductFolder, [&](BSTR name) { return maker->DeleteFolder(name, 0); }));

    const FolderContent makerContent = CountContent(maker, kMakerFolderCount);
    if (makerContent == FolderContent::CountFailed) return kTaskSchedulerFailed;
    // A maker folder that could not be deleted stays, as another product's would.
    if (makerContent == FolderContent::Empty)
        IGNORE_RESULT(WithBstr(kMakerFolder, [&](BSTR name) { return root->DeleteFolder(name, 0); }));
    return kTaskSchedulerSucceeded;
}
