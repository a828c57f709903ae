// The stand-in Task Scheduler as an in-process COM server: registered in a
// Wine prefix as the InprocServer32 of CLSID_TaskScheduler, it serves the real
// program through the prefix's own COM.
//
// Its folders and tasks are the directories and XML files under the real
// C:\Windows\System32\Tasks: read when a task service is created while none
// of the server's objects is alive, and changed on disk by every call that
// changes them (CreateFolder, DeleteFolder, RegisterTaskDefinition, DeleteTask).
//
// Beside this DLL (the sandbox keeps them in "C:\ProgramData\Quelmar Sandbox")
// lie the plan "taskscheduler-scenario.txt", in the format that
// failure_plan_file.h describes, read along with the tasks, and the journal
// "taskscheduler-journal.txt", appended to with every call and last release as
// it happens (journal_vocabulary.h). The call "IClassFactory::CreateInstance"
// can be planned to fail too. A plan with a line that is not understood makes
// CreateInstance fail with ERROR_INVALID_DATA (8007000d).
#include <windows.h>

#include <memory>

#include "failure_plan_file.h"
#include "server_class_factory.h"
#include "task_folder_store.h"
#include "task_service_standin.h"
#include "text_file.h"

namespace {

HMODULE thisModule = nullptr;

// The model that the live objects share; replaced by a fresh one from disk
// when a service is created while none of its objects is alive.
std::unique_ptr<TaskSchedulerModel> model;
std::unique_ptr<TaskFolderStore> store;

// A file beside this DLL.
std::wstring ServerFile(const wchar_t* name) {
    wchar_t path[MAX_PATH] = {};
    std::wstring dll(path, GetModuleFileNameW(thisModule, path, MAX_PATH));
    return dll.substr(0, dll.find_last_of(L"\\/") + 1) + name;
}

HRESULT LoadModel() {
    auto fresh = std::make_unique<TaskSchedulerModel>();
    if (!store) store = std::make_unique<TaskFolderStore>(SystemTasksFolder());
    store->Load(*fresh);
    std::string unreadLine;
    if (!LoadFailurePlan(ServerFile(L"taskscheduler-scenario.txt"), *fresh, &unreadLine)) {
        return HRESULT_FROM_WIN32(ERROR_INVALID_DATA);
    }
    fresh->store = store.get();
    // A line that cannot be written is missing where the sandbox reads it back.
    fresh->onJournalLine = [journal = ServerFile(L"taskscheduler-journal.txt")](const std::string& line) {
        AppendToFile(journal, line + "\n");
    };
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
