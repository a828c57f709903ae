#include "standin_object.h"

namespace {

// A null BSTR is the empty string.
std::wstring Text(BSTR text) { return text ? text : L""; }

// A folder's tasks or sub folders: only counts what the folder held when it was asked.
template <class Interface, class Item, const IID& Iid>
class Collection : public StandinObject<Interface> {
public:
    Collection(TaskSchedulerModel& model, const char* name, const std::wstring& folder, LONG count)
        : StandinObject<Interface>(model, name, folder), count_(count) {}

    STDMETHODIMP get_Count(LONG* count) override {
        HRESULT hr = this->Enter(__func__);
        if (FAILED(hr)) return hr;
        if (!count) return E_POINTER;
        *count = count_;
        return S_OK;
    }
    STDMETHODIMP get_Item(VARIANT, Item**) override { return this->NotUsed(__func__); }
    // NOLINTNEXTLINE(bugprone-reserved-identifier): the interface's own name
    STDMETHODIMP get__NewEnum(IUnknown**) override { return this->NotUsed(__func__); }

private:
    bool Implements(REFIID iid) const override { return iid == Iid; }

    LONG count_;
};

using TaskCollection = Collection<IRegisteredTaskCollection, IRegisteredTask, IID_IRegisteredTaskCollection>;
using FolderCollection = Collection<ITaskFolderCollection, ITaskFolder, IID_ITaskFolderCollection>;

// What registration hands back; the program only releases it.
class RegisteredTask : public StandinObject<IRegisteredTask> {
public:
    RegisteredTask(TaskSchedulerModel& model, const std::wstring& path)
        : StandinObject(model, "IRegisteredTask", path) {}

    STDMETHODIMP get_Name(BSTR*) override { return NotUsed(__func__); }
    STDMETHODIMP get_Path(BSTR*) override { return NotUsed(__func__); }
    STDMETHODIMP get_State(TASK_STATE*) override { return NotUsed(__func__); }
    STDMETHODIMP get_Enabled(VARIANT_BOOL*) override { return NotUsed(__func__); }
    STDMETHODIMP put_Enabled(VARIANT_BOOL) override { return NotUsed(__func__); }
    STDMETHODIMP Run(VARIANT, IRunningTask**) override { return NotUsed(__func__); }
    STDMETHODIMP RunEx(VARIANT, LONG, LONG, BSTR, IRunningTask**) override { return NotUsed(__func__); }
    STDMETHODIMP GetInstances(LONG, IRunningTaskCollection**) override { return NotUsed(__func__); }
    STDMETHODIMP get_LastRunTime(DATE*) override { return NotUsed(__func__); }
    STDMETHODIMP get_LastTaskResult(LONG*) override { return NotUsed(__func__); }
    STDMETHODIMP get_NumberOfMissedRuns(LONG*) override { return NotUsed(__func__); }
    STDMETHODIMP get_NextRunTime(DATE*) override { return NotUsed(__func__); }
    STDMETHODIMP get_Definition(ITaskDefinition**) override { return NotUsed(__func__); }
    STDMETHODIMP get_Xml(BSTR*) override { return NotUsed(__func__); }
    STDMETHODIMP GetSecurityDescriptor(LONG, BSTR*) override { return NotUsed(__func__); }
    STDMETHODIMP SetSecurityDescriptor(BSTR, LONG) override { return NotUsed(__func__); }
    STDMETHODIMP Stop(LONG) override { return NotUsed(__func__); }
    STDMETHODIMP GetRunTimes(const LPSYSTEMTIME, const LPSYSTEMTIME, DWORD*, LPSYSTEMTIME*) override {
        return NotUsed(__func__);
    }

private:
    bool Implements(REFIID iid) const override { return iid == IID_IRegisteredTask; }
};

// A folder object looks its folder up on each call: the folder may have been
// deleted meanwhile.
class TaskFolder : public StandinObject<ITaskFolder> {
public:
    TaskFolder(TaskSchedulerModel& model, const std::wstring& path) : StandinObject(model, "ITaskFolder", path) {}

    STDMETHODIMP GetFolder(BSTR path, ITaskFolder** folder) override {
        FolderModel* self = nullptr;
        HRESULT hr = EnterOn(__func__, &self);
        if (FAILED(hr)) return hr;
        std::wstring full = JoinTaskPath(folder_, Text(path));
        if (!model_.FindFolder(full)) return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
        return HandOut(NewTaskFolder(model_, full), folder);
    }
    STDMETHODIMP GetFolders(LONG, ITaskFolderCollection** folders) override {
        FolderModel* self = nullptr;
        HRESULT hr = EnterOn(__func__, &self);
        if (FAILED(hr)) return hr;
        LONG count = static_cast<LONG>(self->folders.size());
        return HandOut<ITaskFolderCollection>(new FolderCollection(model_, "ITaskFolderCollection", folder_, count),
                                              folders);
    }
    STDMETHODIMP CreateFolder(BSTR name, VARIANT sddl, ITaskFolder** folder) override {
        FolderModel* self = nullptr;
        HRESULT hr = EnterOn(__func__, &self);
        if (FAILED(hr)) return hr;
        std::wstring full = JoinTaskPath(folder_, Text(name));
        if (model_.FindFolder(full)) return HRESULT_FROM_WIN32(ERROR_ALREADY_EXISTS);
        if (!model_.FindFolder(ParentTaskPath(full))) return HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
        if (model_.store && FAILED(hr = model_.store->CreateFolder(full))) return hr;
        model_.AddFolder(full).sddl = RecordVariant(sddl);
        return HandOut(NewTaskFolder(model_, full), folder);
    }
    STDMETHODIMP DeleteFolder(BSTR name, LONG) override {
        FolderModel* self = nullptr;
        HRESULT hr = EnterOn(__func__, &self);
        if (FAILED(hr)) return hr;
        std::wstring full = JoinTaskPath(folder_, Text(name));
        FolderModel* doomed = model_.FindFolder(full);
        if (!doomed) return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
        if (!doomed->tasks.empty() || !doomed->folders.empty()) return HRESULT_FROM_WIN32(ERROR_DIR_NOT_EMPTY);
        if (model_.store && FAILED(hr = model_.store->DeleteFolder(full))) return hr;
        model_.FindFolder(ParentTaskPath(full))->folders.erase(LastTaskName(full));
        return S_OK;
    }
    STDMETHODIMP GetTasks(LONG flags, IRegisteredTaskCollection** tasks) override {
        FolderModel* self = nullptr;
        HRESULT hr = EnterOn(__func__, &self);
        if (FAILED(hr)) return hr;
        LONG count = 0;
        for (const auto& task : self->tasks) {
            if (!task.second.hidden || (flags & TASK_ENUM_HIDDEN)) ++count;
        }
        return HandOut<IRegisteredTaskCollection>(
            new TaskCollection(model_, "IRegisteredTaskCollection", folder_, count), tasks);
    }
    STDMETHODIMP DeleteTask(BSTR name, LONG) override {
        FolderModel* self = nullptr;
        HRESULT hr = EnterOn(__func__, &self);
        if (FAILED(hr)) return hr;
        auto doomed = self->tasks.find(Text(name));
        if (doomed == self->tasks.end()) return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
        if (model_.store && FAILED(hr = model_.store->DeleteTask(JoinTaskPath(folder_, doomed->first)))) return hr;
        self->tasks.erase(doomed);
        return S_OK;
    }
    STDMETHODIMP RegisterTaskDefinition(BSTR path, ITaskDefinition* definition, LONG flags, VARIANT user,
                                        VARIANT password, TASK_LOGON_TYPE logonType, VARIANT sddl,
                                        IRegisteredTask** task) override {
        FolderModel* self = nullptr;
        HRESULT hr = EnterOn(__func__, &self);
        if (FAILED(hr)) return hr;
        if (!definition) return E_POINTER;
        bool exists = self->tasks.count(Text(path)) != 0;
        if (exists && !(flags & TASK_UPDATE)) return HRESULT_FROM_WIN32(ERROR_ALREADY_EXISTS);
        if (!exists && !(flags & TASK_CREATE)) return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);

        TaskModel registered;
        registered.definition = DefinitionOf(definition);
        registered.registration = {Text(path),         flags, RecordVariant(user), RecordVariant(password), logonType,
                                   RecordVariant(sddl)};
        if (model_.store && FAILED(hr = model_.store->SaveTask(JoinTaskPath(folder_, Text(path)), registered))) {
            return hr;
        }
        self->tasks[Text(path)] = std::move(registered);
        if (!task) return S_OK;
        *task = new RegisteredTask(model_, JoinTaskPath(folder_, Text(path)));
        return S_OK;
    }

    STDMETHODIMP get_Name(BSTR*) override { return NotUsed(__func__); }
    STDMETHODIMP get_Path(BSTR*) override { return NotUsed(__func__); }
    STDMETHODIMP GetTask(BSTR, IRegisteredTask**) override { return NotUsed(__func__); }
    STDMETHODIMP RegisterTask(BSTR, BSTR, LONG, VARIANT, VARIANT, TASK_LOGON_TYPE, VARIANT,
                              IRegisteredTask**) override {
        return NotUsed(__func__);
    }
    STDMETHODIMP GetSecurityDescriptor(LONG, BSTR*) override { return NotUsed(__func__); }
    STDMETHODIMP SetSecurityDescriptor(BSTR, LONG) override { return NotUsed(__func__); }

private:
    bool Implements(REFIID iid) const override { return iid == IID_ITaskFolder; }

    // Records the call and finds the folder it is made on.
    HRESULT EnterOn(const char* method, FolderModel** self) {
        HRESULT hr = Enter(method);
        if (FAILED(hr)) return hr;
        *self = model_.FindFolder(folder_);
        return *self ? S_OK : HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
    }
};

}  // namespace

ITaskFolder* NewTaskFolder(TaskSchedulerModel& model, const std::wstring& path) { return new TaskFolder(model, path); }
