#include "standin_object.h"
#include "task_service_standin.h"

namespace {

class TaskService : public StandinObject<ITaskService> {
public:
    explicit TaskService(TaskSchedulerModel& model) : StandinObject(model, "ITaskService") {}

    STDMETHODIMP GetFolder(BSTR path, ITaskFolder** folder) override {
        HRESULT hr = Enter(__func__);
        if (FAILED(hr)) return hr;
        if (!connected_) return HRESULT_FROM_WIN32(ERROR_ONLY_IF_CONNECTED);
        if (!path) return E_INVALIDARG;
        std::wstring full = JoinTaskPath(L"\\", path);
        if (!model_.FindFolder(full)) return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
        return HandOut(NewTaskFolder(model_, full), folder);
    }
    STDMETHODIMP NewTask(DWORD, ITaskDefinition** definition) override {
        HRESULT hr = Enter(__func__);
        if (FAILED(hr)) return hr;
        if (!connected_) return HRESULT_FROM_WIN32(ERROR_ONLY_IF_CONNECTED);
        return HandOut(NewTaskDefinition(model_), definition);
    }
    STDMETHODIMP Connect(VARIANT, VARIANT, VARIANT, VARIANT) override {
        HRESULT hr = Enter(__func__);
        if (FAILED(hr)) return hr;
        connected_ = true;
        return S_OK;
    }

    STDMETHODIMP GetRunningTasks(LONG, IRunningTaskCollection**) override { return NotUsed(__func__); }
    STDMETHODIMP get_Connected(VARIANT_BOOL*) override { return NotUsed(__func__); }
    STDMETHODIMP get_TargetServer(BSTR*) override { return NotUsed(__func__); }
    STDMETHODIMP get_ConnectedUser(BSTR*) override { return NotUsed(__func__); }
    STDMETHODIMP get_ConnectedDomain(BSTR*) override { return NotUsed(__func__); }
    STDMETHODIMP get_HighestVersion(DWORD*) override { return NotUsed(__func__); }

private:
    bool Implements(REFIID iid) const override { return iid == IID_ITaskService; }

    bool connected_ = false;
};

}  // namespace

HRESULT CreateTaskServiceStandin(TaskSchedulerModel& model, REFIID iid, void** object) {
    ITaskService* service = new TaskService(model);
    HRESULT hr = service->QueryInterface(iid, object);
    service->Release();
    return hr;
}
