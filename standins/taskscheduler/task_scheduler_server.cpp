// The stand-in Task Scheduler as an in-process COM server: registered in a
// Wine prefix as the InprocServer32 of CLSID_TaskScheduler, it serves the real
// program through the prefix's own COM.
//
// Its folders and tasks are the directories and XML files under the real
// C:\Windows\System32\Tasks: read when a task service is created while none
// of the server's objects is alive, and changed on disk by every call that
// changes them (CreateFolder, DeleteFolder, RegisterTaskDefinition, DeleteTask).
//
// A failure plan may lie beside this DLL as "taskscheduler-failures.txt"
// (the sandbox keeps both in "C:\ProgramData\Quelmar Sandbox"), in the format
// that failure_plan_file.h describes; it is read along with the tasks. The call
// "IClassFactory::CreateInstance" can be planned to fail too. A plan with a
// line that is not understood makes CreateInstance fail with
// ERROR_INVALID_DATA (8007000d).
#include <windows.h>

#include <memory>

#include "failure_plan_file.h"
#include "server_class_factory.h"
#include "task_folder_store.h"
#include "task_service_standin.h"

namespace {

HMODULE thisModule = nullptr;

// The model that the live objects share; replaced by a fresh one from disk
// when a service is created while none of its objects is alive.
std::unique_ptr<TaskSchedulerModel> model;
std::unique_ptr<TaskFolderStore> store;

std::wstring FailurePlanPath() {
    wchar_t path[MAX_PATH] = {};
    std::wstring dll(path, GetModuleFileNameW(thisModule, path, MAX_PATH));
    return dll.substr(0, dll.find_last_of(L"\\/") + 1) + L"taskscheduler-failures.txt";
}

HRESULT LoadModel() {
    auto fresh = std::make_unique<TaskSchedulerModel>();
    if (!store) store = std::make_unique<TaskFolderStore>(SystemTasksFolder());
    store->Load(*fresh);
    std::string unreadLine;
    if (!LoadFailurePlan(FailurePlanPath(), *fresh, &unreadLine)) return HRESULT_FROM_WIN32(ERROR_INVALID_DATA);
    fresh->store = store.get();
    model = std::move(fresh);
    return S_OK;
}

class TaskSchedulerFactory : public ServerClassFactory {
    HRESULT Create(REFIID iid, void** object) override {
        if (!model || model->liveObjects == 0) {
            HRESULT hr = LoadModel();
            if (FAILED(hr)) return hr;
        }
        HRESULT hr = model->Enter("IClassFactory::CreateInstance");
        if (FAILED(hr)) return hr;
        return CreateTaskServiceStandin(*model, iid, object);
    }
};

TaskSchedulerFactory factory;

}  // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) thisModule = instance;
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID classId, REFIID iid, LPVOID* object) {
    return factory.Serve(CLSID_TaskScheduler, classId, iid, object);
}

STDAPI DllCanUnloadNow() { return factory.locks == 0 && (!model || model->liveObjects == 0) ? S_OK : S_FALSE; }
