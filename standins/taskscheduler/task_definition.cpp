#include "standin_object.h"

namespace {

using Data = std::shared_ptr<DefinitionModel>;

class RegistrationInfo : public StandinObject<IRegistrationInfo> {
public:
    RegistrationInfo(TaskSchedulerModel& model, Data data)
        : StandinObject(model, "IRegistrationInfo"), data_(std::move(data)) {}

    STDMETHODIMP put_Description(BSTR text) override {
        return Store("IRegistrationInfo::put_Description", data_->registrationInfo, "Description", Value(text));
    }
    STDMETHODIMP put_Author(BSTR text) override {
        return Store("IRegistrationInfo::put_Author", data_->registrationInfo, "Author", Value(text));
    }
    STDMETHODIMP put_Date(BSTR text) override {
        return Store("IRegistrationInfo::put_Date", data_->registrationInfo, "Date", Value(text));
    }

    STDMETHODIMP get_Description(BSTR*) override { return NotUsed(__func__); }
    STDMETHODIMP get_Author(BSTR*) override { return NotUsed(__func__); }
    STDMETHODIMP get_Version(BSTR*) override { return NotUsed(__func__); }
    STDMETHODIMP put_Version(BSTR) override { return NotUsed(__func__); }
    STDMETHODIMP get_Date(BSTR*) override { return NotUsed(__func__); }
    STDMETHODIMP get_Documentation(BSTR*) override { return NotUsed(__func__); }
    STDMETHODIMP put_Documentation(BSTR) override { return NotUsed(__func__); }
    STDMETHODIMP get_XmlText(BSTR*) override { return NotUsed(__func__); }
    STDMETHODIMP put_XmlText(BSTR) override { return NotUsed(__func__); }
    STDMETHODIMP get_URI(BSTR*) override { return NotUsed(__func__); }
    STDMETHODIMP put_URI(BSTR) override { return NotUsed(__func__); }
    STDMETHODIMP get_SecurityDescriptor(VARIANT*) override { return NotUsed(__func__); }
    STDMETHODIMP put_SecurityDescriptor(VARIANT) override { return NotUsed(__func__); }
    STDMETHODIMP get_Source(BSTR*) override { return NotUsed(__func__); }
    STDMETHODIMP put_Source(BSTR) override { return NotUsed(__func__); }

private:
    bool Implements(REFIID iid) const override { return iid == IID_IRegistrationInfo; }

    Data data_;
};

class IdleSettings : public StandinObject<IIdleSettings> {
public:
    IdleSettings(TaskSchedulerModel& model, Data data)
        : StandinObject(model, "IIdleSettings"), data_(std::move(data)) {}

    STDMETHODIMP put_StopOnIdleEnd(VARIANT_BOOL stop) override {
        return Store("IIdleSettings::put_StopOnIdleEnd", data_->idleSettings, "StopOnIdleEnd", long{stop});
    }

    STDMETHODIMP get_IdleDuration(BSTR*) override { return NotUsed(__func__); }
    STDMETHODIMP put_IdleDuration(BSTR) override { return NotUsed(__func__); }
    STDMETHODIMP get_WaitTimeout(BSTR*) override { return NotUsed(__func__); }
    STDMETHODIMP put_WaitTimeout(BSTR) override { return NotUsed(__func__); }
    STDMETHODIMP get_StopOnIdleEnd(VARIANT_BOOL*) override { return NotUsed(__func__); }
    STDMETHODIMP get_RestartOnIdle(VARIANT_BOOL*) override { return NotUsed(__func__); }
    STDMETHODIMP put_RestartOnIdle(VARIANT_BOOL) override { return NotUsed(__func__); }

private:
    bool Implements(REFIID iid) const override { return iid == IID_IIdleSettings; }

    Data data_;
};

class TaskSettings : public StandinObject<ITaskSettings> {
public:
    TaskSettings(TaskSchedulerModel& model, Data data)
        : StandinObject(model, "ITaskSettings"), data_(std::move(data)) {}

    STDMETHODIMP put_MultipleInstances(TASK_INSTANCES_POLICY policy) override {
        return Store("ITaskSettings::put_MultipleInstances", data_->settings, "MultipleInstances",
                     static_cast<long>(policy));
    }
    STDMETHODIMP put_StopIfGoingOnBatteries(VARIANT_BOOL stop) override {
        return Store("ITaskSettings::put_StopIfGoingOnBatteries", data_->settings, "StopIfGoingOnBatteries",
                     long{stop});
    }
    STDMETHODIMP put_DisallowStartIfOnBatteries(VARIANT_BOOL disallow) override {
        return Store("ITaskSettings::put_DisallowStartIfOnBatteries", data_->settings, "DisallowStartIfOnBatteries",
                     long{disallow});
    }
    STDMETHODIMP put_ExecutionTimeLimit(BSTR limit) override {
        return Store("ITaskSettings::put_ExecutionTimeLimit", data_->settings, "ExecutionTimeLimit", Value(limit));
    }
    STDMETHODIMP get_IdleSettings(IIdleSettings** settings) override {
        HRESULT hr = Enter(__func__);
        if (FAILED(hr)) return hr;
        return HandOut<IIdleSettings>(new IdleSettings(model_, data_), settings);
    }

    STDMETHODIMP get_AllowDemandStart(VARIANT_BOOL*) override { return NotUsed(__func__); }
    STDMETHODIMP put_AllowDemandStart(VARIANT_BOOL) override { return NotUsed(__func__); }
    STDMETHODIMP get_RestartInterval(BSTR*) override { return NotUsed(__func__); }
    STDMETHODIMP put_RestartInterval(BSTR) override { return NotUsed(__func__); }
    STDMETHODIMP get_RestartCount(INT*) override { return NotUsed(__func__); }
    STDMETHODIMP put_RestartCount(INT) override { return NotUsed(__func__); }
    STDMETHODIMP get_MultipleInstances(TASK_INSTANCES_POLICY*) override { return NotUsed(__func__); }
    STDMETHODIMP get_StopIfGoingOnBatteries(VARIANT_BOOL*) override { return NotUsed(__func__); }
    STDMETHODIMP get_DisallowStartIfOnBatteries(VARIANT_BOOL*) override { return NotUsed(__func__); }
    STDMETHODIMP get_AllowHardTerminate(VARIANT_BOOL*) override { return NotUsed(__func__); }
    STDMETHODIMP put_AllowHardTerminate(VARIANT_BOOL) override { return NotUsed(__func__); }
    STDMETHODIMP get_StartWhenAvailable(VARIANT_BOOL*) override { return NotUsed(__func__); }
    STDMETHODIMP put_StartWhenAvailable(VARIANT_BOOL) override { return NotUsed(__func__); }
    STDMETHODIMP get_XmlText(BSTR*) override { return NotUsed(__func__); }
    STDMETHODIMP put_XmlText(BSTR) override { return NotUsed(__func__); }
    STDMETHODIMP get_RunOnlyIfNetworkAvailable(VARIANT_BOOL*) override { return NotUsed(__func__); }
    STDMETHODIMP put_RunOnlyIfNetworkAvailable(VARIANT_BOOL) override { return NotUsed(__func__); }
    STDMETHODIMP get_ExecutionTimeLimit(BSTR*) override { return NotUsed(__func__); }
    STDMETHODIMP get_Enabled(VARIANT_BOOL*) override { return NotUsed(__func__); }
    STDMETHODIMP put_Enabled(VARIANT_BOOL) override { return NotUsed(__func__); }
    STDMETHODIMP get_DeleteExpiredTaskAfter(BSTR*) override { return NotUsed(__func__); }
    STDMETHODIMP put_DeleteExpiredTaskAfter(BSTR) override { return NotUsed(__func__); }
    STDMETHODIMP get_Priority(INT*) override { return NotUsed(__func__); }
    STDMETHODIMP put_Priority(INT) override { return NotUsed(__func__); }
    STDMETHODIMP get_Compatibility(TASK_COMPATIBILITY*) override { return NotUsed(__func__); }
    STDMETHODIMP put_Compatibility(TASK_COMPATIBILITY) override { return NotUsed(__func__); }
    STDMETHODIMP get_Hidden(VARIANT_BOOL*) override { return NotUsed(__func__); }
    STDMETHODIMP put_Hidden(VARIANT_BOOL) override { return NotUsed(__func__); }
    STDMETHODIMP put_IdleSettings(IIdleSettings*) override { return NotUsed(__func__); }
    STDMETHODIMP get_RunOnlyIfIdle(VARIANT_BOOL*) override { return NotUsed(__func__); }
    STDMETHODIMP put_RunOnlyIfIdle(VARIANT_BOOL) override { return NotUsed(__func__); }
    STDMETHODIMP get_WakeToRun(VARIANT_BOOL*) override { return NotUsed(__func__); }
    STDMETHODIMP put_WakeToRun(VARIANT_BOOL) override { return NotUsed(__func__); }
    STDMETHODIMP get_NetworkSettings(INetworkSettings**) override { return NotUsed(__func__); }
    STDMETHODIMP put_NetworkSettings(INetworkSettings*) override { return NotUsed(__func__); }

private:
    bool Implements(REFIID iid) const override { return iid == IID_ITaskSettings; }

    Data data_;
};

class Principal : public StandinObject<IPrincipal> {
public:
    Principal(TaskSchedulerModel& model, Data data) : StandinObject(model, "IPrincipal"), data_(std::move(data)) {}

    STDMETHODIMP put_Id(BSTR id) override { return Store("IPrincipal::put_Id", data_->principal, "Id", Value(id)); }

    STDMETHODIMP get_Id(BSTR*) override { return NotUsed(__func__); }
    STDMETHODIMP get_DisplayName(BSTR*) override { return NotUsed(__func__); }
    STDMETHODIMP put_DisplayName(BSTR) override { return NotUsed(__func__); }
    STDMETHODIMP get_UserId(BSTR*) override { return NotUsed(__func__); }
    STDMETHODIMP put_UserId(BSTR) override { return NotUsed(__func__); }
    STDMETHODIMP get_LogonType(TASK_LOGON_TYPE*) override { return NotUsed(__func__); }
    STDMETHODIMP put_LogonType(TASK_LOGON_TYPE) override { return NotUsed(__func__); }
    STDMETHODIMP get_GroupId(BSTR*) override { return NotUsed(__func__); }
    STDMETHODIMP put_GroupId(BSTR) override { return NotUsed(__func__); }
    STDMETHODIMP get_RunLevel(TASK_RUNLEVEL_TYPE*) override { return NotUsed(__func__); }
    STDMETHODIMP put_RunLevel(TASK_RUNLEVEL_TYPE) override { return NotUsed(__func__); }

private:
    bool Implements(REFIID iid) const override { return iid == IID_IPrincipal; }

    Data data_;
};

// Its parts write into one model that outlives them all: a part may be used
// after the definition itself has been released.
class TaskDefinition : public StandinObject<ITaskDefinition> {
public:
    explicit TaskDefinition(TaskSchedulerModel& model)
        : StandinObject(model, "ITaskDefinition"), data_(std::make_shared<DefinitionModel>()) {}

    const DefinitionModel& data() const { return *data_; }

    STDMETHODIMP get_RegistrationInfo(IRegistrationInfo** info) override {
        HRESULT hr = Enter(__func__);
        return FAILED(hr) ? hr : HandOut<IRegistrationInfo>(new RegistrationInfo(model_, data_), info);
    }
    STDMETHODIMP get_Triggers(ITriggerCollection** triggers) override {
        HRESULT hr = Enter(__func__);
        return FAILED(hr) ? hr : HandOut(NewTriggerCollection(model_, data_), triggers);
    }
    STDMETHODIMP get_Settings(ITaskSettings** settings) override {
        HRESULT hr = Enter(__func__);
        return FAILED(hr) ? hr : HandOut<ITaskSettings>(new TaskSettings(model_, data_), settings);
    }
    STDMETHODIMP get_Principal(IPrincipal** principal) override {
        HRESULT hr = Enter(__func__);
        return FAILED(hr) ? hr : HandOut<IPrincipal>(new Principal(model_, data_), principal);
    }
    STDMETHODIMP get_Actions(IActionCollection** actions) override {
        HRESULT hr = Enter(__func__);
        return FAILED(hr) ? hr : HandOut(NewActionCollection(model_, data_), actions);
    }

    STDMETHODIMP put_RegistrationInfo(IRegistrationInfo*) override { return NotUsed(__func__); }
    STDMETHODIMP put_Triggers(ITriggerCollection*) override { return NotUsed(__func__); }
    STDMETHODIMP put_Settings(ITaskSettings*) override { return NotUsed(__func__); }
    STDMETHODIMP get_Data(BSTR*) override { return NotUsed(__func__); }
    STDMETHODIMP put_Data(BSTR) override { return NotUsed(__func__); }
    STDMETHODIMP put_Principal(IPrincipal*) override { return NotUsed(__func__); }
    STDMETHODIMP put_Actions(IActionCollection*) override { return NotUsed(__func__); }
    STDMETHODIMP get_XmlText(BSTR*) override { return NotUsed(__func__); }
    STDMETHODIMP put_XmlText(BSTR) override { return NotUsed(__func__); }

private:
    bool Implements(REFIID iid) const override { return iid == IID_ITaskDefinition; }

    Data data_;
};

}  // namespace

ITaskDefinition* NewTaskDefinition(TaskSchedulerModel& model) { return new TaskDefinition(model); }

// Only definitions that this stand-in made are ever registered with it.
const DefinitionModel& DefinitionOf(ITaskDefinition* definition) {
    return static_cast<TaskDefinition*>(definition)->data();
}
