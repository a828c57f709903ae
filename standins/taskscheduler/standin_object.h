#pragma once
// What every COM object of the stand-in shares: reference counting that the
// model can check, calls recorded in the model, and IDispatch left unserved.
#include "task_scheduler_model.h"

template <class Interface>
class StandinObject : public Interface {
public:
    // name: the interface the calls are recorded under; folder: the folder the
    // object belongs to, when it does.
    StandinObject(TaskSchedulerModel& model, const char* name, std::wstring folder = L"")
        : model_(model), name_(name), folder_(std::move(folder)) {
        ++model_.liveObjects;
        ++model_.references;
    }
    virtual ~StandinObject() { --model_.liveObjects; }
    StandinObject(const StandinObject&) = delete;
    StandinObject& operator=(const StandinObject&) = delete;

    STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (iid != IID_IUnknown && iid != IID_IDispatch && !Implements(iid)) return E_NOINTERFACE;
        AddRef();
        *object = static_cast<Interface*>(this);
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override {
        ++model_.references;
        return ++references_;
    }
    STDMETHODIMP_(ULONG) Release() override {
        --model_.references;
        ULONG left = --references_;
        if (left == 0) {
            model_.Record(folder_.empty() ? name_ + " released"
                                          : name_ + " released " + std::string(folder_.begin(), folder_.end()),
                          S_OK);
            delete this;
        }
        return left;
    }

    STDMETHODIMP GetTypeInfoCount(UINT*) override { return NotUsed(__func__); }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return NotUsed(__func__); }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return NotUsed(__func__); }
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return NotUsed(__func__);
    }

protected:
    // The interfaces beyond IUnknown and IDispatch that the object serves.
    virtual bool Implements(REFIID iid) const = 0;

    // Records the call "<name>::<method>" and gives its planned result.
    HRESULT Enter(const char* method) { return model_.Enter(name_ + "::" + method, folder_); }
    // A method the program never calls: recorded, and not served.
    HRESULT NotUsed(const char* method) {
        Enter(method);
        return E_NOTIMPL;
    }

    // Records a put_ call ("IExecAction::put_Path") and, unless the plan fails
    // it, stores the value under the property's name.
    HRESULT Store(const std::string& call, Properties& into, const char* property, PropertyValue value) {
        HRESULT hr = model_.Enter(call, folder_);
        if (FAILED(hr)) return hr;
        into[property] = std::move(value);
        return S_OK;
    }

    TaskSchedulerModel& model_;
    const std::string name_;
    const std::wstring folder_;

private:
    ULONG references_ = 1;
};

// A BSTR argument as stored: null stays null.
inline PropertyValue Value(BSTR text) { return text ? PropertyValue(std::wstring(text)) : PropertyValue(nullptr); }

// Hands out a new object's one reference through an out-parameter.
template <class Interface>
HRESULT HandOut(Interface* object, Interface** out) {
    if (!out) {
        object->Release();
        return E_POINTER;
    }
    *out = object;
    return S_OK;
}

// The objects the stand-in's objects give out.
ITaskFolder* NewTaskFolder(TaskSchedulerModel& model, const std::wstring& path);
ITaskDefinition* NewTaskDefinition(TaskSchedulerModel& model);
// The model of a definition that NewTaskDefinition gave out.
const DefinitionModel& DefinitionOf(ITaskDefinition* definition);
ITriggerCollection* NewTriggerCollection(TaskSchedulerModel& model, std::shared_ptr<DefinitionModel> data);
IActionCollection* NewActionCollection(TaskSchedulerModel& model, std::shared_ptr<DefinitionModel> data);
