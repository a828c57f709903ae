#pragma once
// An in-memory Task Scheduler: folders holding tasks and sub folders, each
// task with the definition it was registered with, and a plan of calls that
// are to fail. It knows nothing of COM objects; task_service_standin.h serves
// it through ITaskService.
#include <windows.h>
#include <taskschd.h>

#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <variant>
#include <vector>

// What a put_ call stored: a null BSTR, a string or a number.
using PropertyValue = std::variant<std::nullptr_t, std::wstring, long>;
// The properties of one object that were set, by name; a property never set is absent.
using Properties = std::map<std::string, PropertyValue>;

struct TriggerModel {
    TASK_TRIGGER_TYPE2 type;
    Properties properties;
};

struct ActionModel {
    TASK_ACTION_TYPE type;
    Properties properties;
};

struct DefinitionModel {
    Properties registrationInfo;
    Properties settings;
    Properties idleSettings;
    Properties principal;
    std::vector<TriggerModel> triggers;
    std::vector<ActionModel> actions;
};

// A VARIANT argument as it was passed: its type, and its text when it held a BSTR.
struct VariantArgument {
    VARTYPE type = VT_EMPTY;
    std::wstring text;
};
VariantArgument RecordVariant(const VARIANT& value);

// The arguments of RegisterTaskDefinition.
struct Registration {
    std::wstring path;
    LONG flags = 0;
    VariantArgument user;
    VariantArgument password;
    TASK_LOGON_TYPE logonType = TASK_LOGON_NONE;
    VariantArgument sddl;
};

struct TaskModel {
    bool hidden = false;
    DefinitionModel definition;
    Registration registration;
};

// Where the model's changes are kept beyond the process, if anywhere. Each
// change is offered before the model makes it; a change that could not be
// kept is not made, and the call that asked for it fails with the result.
// Paths are absolute, as the model's.
class TaskStore {
public:
    virtual ~TaskStore() = default;
    virtual HRESULT CreateFolder(const std::wstring& path) = 0;
    virtual HRESULT DeleteFolder(const std::wstring& path) = 0;
    virtual HRESULT SaveTask(const std::wstring& path, const TaskModel& task) = 0;
    virtual HRESULT DeleteTask(const std::wstring& path) = 0;
};

struct FolderModel {
    VariantArgument sddl;  // as given to CreateFolder
    std::map<std::wstring, TaskModel> tasks;
    std::map<std::wstring, std::unique_ptr<FolderModel>> folders;
};

class TaskSchedulerModel {
public:
    // Folder paths are absolute: "\" is the root, "\A\B" a folder in "\A".
    FolderModel* FindFolder(const std::wstring& path);
    FolderModel& AddFolder(const std::wstring& path);  // with the folders above it
    TaskModel& AddTask(const std::wstring& folder, const std::wstring& name, bool hidden = false);
    const TaskModel* FindTask(const std::wstring& folder, const std::wstring& name);

    // Makes `call` ("ITaskFolder::GetTasks") fail with `result`; with a folder path,
    // only when it is called on that folder.
    void Fail(const std::string& call, HRESULT result, const std::wstring& folder = L"");
    // Records a call and gives its planned result, S_OK when none is planned.
    HRESULT Enter(const std::string& call, const std::wstring& folder = L"");
    // Records a call or a last release under its full name, with its result.
    void Record(const std::string& step, HRESULT result);

    // Every call and every last release, in order, as "ITaskFolder::GetTasks \A".
    std::vector<std::string> calls;
    // Given each of them as a journal line (journal_vocabulary.h) as it happens, when set.
    std::function<void(const std::string&)> onJournalLine;
    // How many COM objects were alive when each call was last made, by the same names.
    std::map<std::string, long> aliveAt;
    // COM objects alive, and the references held to them.
    long liveObjects = 0;
    long references = 0;
    // Null: the model lives in memory only.
    TaskStore* store = nullptr;

private:
    struct PlannedResult {
        std::string call;
        std::wstring folder;
        HRESULT result;
    };
    std::vector<PlannedResult> plan_;
    FolderModel root_;
};

// "\A" and "B" give "\A\B"; a path that starts with "\" stands on its own.
std::wstring JoinTaskPath(const std::wstring& folder, const std::wstring& path);
// The folder above a path, and the last name in it.
std::wstring ParentTaskPath(const std::wstring& path);
std::wstring LastTaskName(const std::wstring& path);
