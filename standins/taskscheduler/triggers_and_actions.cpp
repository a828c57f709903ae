#include "standin_object.h"
#include "task/logon_trigger.h"

namespace {

using Data = std::shared_ptr<DefinitionModel>;

// A trigger of any type; it serves ILogonTrigger when it is a logon trigger.
class Trigger : public StandinObject<ILogonTrigger> {
public:
    Trigger(TaskSchedulerModel& model, Data data, size_t index)
        : StandinObject(model, "ITrigger"), data_(std::move(data)), index_(index) {}

    STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
        HRESULT hr = Enter(__func__);
        if (FAILED(hr)) {
            if (object) *object = nullptr;
            return hr;
        }
        return StandinObject::QueryInterface(iid, object);
    }
    STDMETHODIMP put_UserId(BSTR user) override {
        return Store("ILogonTrigger::put_UserId", properties(), "UserId", Value(user));
    }
    STDMETHODIMP put_Delay(BSTR delay) override {
        return Store("ILogonTrigger::put_Delay", properties(), "Delay", Value(delay));
    }

    STDMETHODIMP get_Delay(BSTR*) override { return NotUsed(__func__); }
    STDMETHODIMP get_UserId(BSTR*) override { return NotUsed(__func__); }
    STDMETHODIMP get_Type(TASK_TRIGGER_TYPE2*) override { return NotUsed(__func__); }
    STDMETHODIMP get_Id(BSTR*) override { return NotUsed(__func__); }
    STDMETHODIMP put_Id(BSTR) override { return NotUsed(__func__); }
    STDMETHODIMP get_Repetition(IRepetitionPattern**) override { return NotUsed(__func__); }
    STDMETHODIMP put_Repetition(IRepetitionPattern*) override { return NotUsed(__func__); }
    STDMETHODIMP get_ExecutionTimeLimit(BSTR*) override { return NotUsed(__func__); }
    STDMETHODIMP put_ExecutionTimeLimit(BSTR) override { return NotUsed(__func__); }
    STDMETHODIMP get_StartBoundary(BSTR*) override { return NotUsed(__func__); }
    STDMETHODIMP put_StartBoundary(BSTR) override { return NotUsed(__func__); }
    STDMETHODIMP get_EndBoundary(BSTR*) override { return NotUsed(__func__); }
    STDMETHODIMP put_EndBoundary(BSTR) override { return NotUsed(__func__); }
    STDMETHODIMP get_Enabled(VARIANT_BOOL*) override { return NotUsed(__func__); }
    STDMETHODIMP put_Enabled(VARIANT_BOOL) override { return NotUsed(__func__); }

private:
    bool Implements(REFIID iid) const override {
        return iid == IID_ITrigger || (iid == IID_ILogonTrigger && data_->triggers[index_].type == TASK_TRIGGER_LOGON);
    }
    Properties& properties() { return data_->triggers[index_].properties; }

    Data data_;
    size_t index_;
};

class TriggerCollection : public StandinObject<ITriggerCollection> {
public:
    TriggerCollection(TaskSchedulerModel& model, Data data)
        : StandinObject(model, "ITriggerCollection"), data_(std::move(data)) {}

    STDMETHODIMP Create(TASK_TRIGGER_TYPE2 type, ITrigger** trigger) override {
        HRESULT hr = Enter(__func__);
        if (FAILED(hr)) return hr;
        data_->triggers.push_back({type, {}});
        return HandOut<ITrigger>(new Trigger(model_, data_, data_->triggers.size() - 1), trigger);
    }

    STDMETHODIMP get_Count(LONG*) override { return NotUsed(__func__); }
    STDMETHODIMP get_Item(LONG, ITrigger**) override { return NotUsed(__func__); }
    STDMETHODIMP get__NewEnum(IUnknown**) override { return NotUsed(__func__); }
    STDMETHODIMP Remove(VARIANT) override { return NotUsed(__func__); }
    STDMETHODIMP Clear() override { return NotUsed(__func__); }

private:
    bool Implements(REFIID iid) const override { return iid == IID_ITriggerCollection; }

    Data data_;
};

// An action of any type; it serves IExecAction when it is an exec action.
class Action : public StandinObject<IExecAction> {
public:
    Action(TaskSchedulerModel& model, Data data, size_t index)
        : StandinObject(model, "IAction"), data_(std::move(data)), index_(index) {}

    STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
        HRESULT hr = Enter(__func__);
        if (FAILED(hr)) {
            if (object) *object = nullptr;
            return hr;
        }
        return StandinObject::QueryInterface(iid, object);
    }
    STDMETHODIMP put_Path(BSTR path) override {
        return Store("IExecAction::put_Path", properties(), "Path", Value(path));
    }
    STDMETHODIMP put_Arguments(BSTR arguments) override {
        return Store("IExecAction::put_Arguments", properties(), "Arguments", Value(arguments));
    }

    STDMETHODIMP get_Id(BSTR*) override { return NotUsed(__func__); }
    STDMETHODIMP put_Id(BSTR) override { return NotUsed(__func__); }
    STDMETHODIMP get_Type(TASK_ACTION_TYPE*) override { return NotUsed(__func__); }
    STDMETHODIMP get_Path(BSTR*) override { return NotUsed(__func__); }
    STDMETHODIMP get_Arguments(BSTR*) override { return NotUsed(__func__); }
    STDMETHODIMP get_WorkingDirectory(BSTR*) override { return NotUsed(__func__); }
    STDMETHODIMP put_WorkingDirectory(BSTR) override { return NotUsed(__func__); }

private:
    bool Implements(REFIID iid) const override {
        return iid == IID_IAction || (iid == IID_IExecAction && data_->actions[index_].type == TASK_ACTION_EXEC);
    }
    Properties& properties() { return data_->actions[index_].properties; }

    Data data_;
    size_t index_;
};

class ActionCollection : public StandinObject<IActionCollection> {
public:
    ActionCollection(TaskSchedulerModel& model, Data data)
        : StandinObject(model, "IActionCollection"), data_(std::move(data)) {}

    STDMETHODIMP Create(TASK_ACTION_TYPE type, IAction** action) override {
        HRESULT hr = Enter(__func__);
        if (FAILED(hr)) return hr;
        data_->actions.push_back({type, {}});
        return HandOut<IAction>(new Action(model_, data_, data_->actions.size() - 1), action);
    }

    STDMETHODIMP get_Count(LONG*) override { return NotUsed(__func__); }
    STDMETHODIMP get_Item(LONG, IAction**) override { return NotUsed(__func__); }
    STDMETHODIMP get__NewEnum(IUnknown**) override { return NotUsed(__func__); }
    STDMETHODIMP get_XmlText(BSTR*) override { return NotUsed(__func__); }
    STDMETHODIMP put_XmlText(BSTR) override { return NotUsed(__func__); }
    STDMETHODIMP Remove(VARIANT) override { return NotUsed(__func__); }
    STDMETHODIMP Clear() override { return NotUsed(__func__); }
    STDMETHODIMP get_Context(BSTR*) override { return NotUsed(__func__); }
    STDMETHODIMP put_Context(BSTR) override { return NotUsed(__func__); }

private:
    bool Implements(REFIID iid) const override { return iid == IID_IActionCollection; }

    Data data_;
};

}  // namespace

ITriggerCollection* NewTriggerCollection(TaskSchedulerModel& model, std::shared_ptr<DefinitionModel> data) {
    return new TriggerCollection(model, std::move(data));
}

IActionCollection* NewActionCollection(TaskSchedulerModel& model, std::shared_ptr<DefinitionModel> data) {
    return new ActionCollection(model, std::move(data));
}
