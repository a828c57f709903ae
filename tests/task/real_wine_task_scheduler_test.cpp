// Against the Task Scheduler of the test prefix itself. Wine 8 cannot create a
// logon trigger, give idle settings or count a folder's tasks: these tests
// show how far the real operations get there; the full behaviour is shown
// against the in-memory Task Scheduler.
#include <gtest/gtest.h>

#include <taskschd.h>

#include "log/setup_log.h"
#include "task/logon_task.h"
#include "test_support.h"

namespace {

// Wine's own Task Scheduler, used to arrange and inspect each test. It holds
// COM only while it lives: the operations enter and leave COM on their own.
class RealTaskScheduler {
public:
    RealTaskScheduler() {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        EXPECT_EQ(CoCreateInstance(CLSID_TaskScheduler, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskService,
                                   reinterpret_cast<void**>(&service_)),
                  S_OK);
        VARIANT empty;
        VariantInit(&empty);
        if (service_) {
            EXPECT_EQ(service_->Connect(empty, empty, empty, empty), S_OK);
        }
    }
    ~RealTaskScheduler() {
        if (service_) service_->Release();
        CoUninitialize();
    }

    ITaskFolder* Folder(const wchar_t* path) {
        ITaskFolder* folder = nullptr;
        BSTR name = SysAllocString(path);
        if (service_) service_->GetFolder(name, &folder);
        SysFreeString(name);
        return folder;
    }
    bool HasFolder(const wchar_t* path) {
        ITaskFolder* folder = Folder(path);
        if (folder) folder->Release();
        return folder != nullptr;
    }
    bool HasTask(const wchar_t* folderPath, const wchar_t* name) {
        ITaskFolder* folder = Folder(folderPath);
        if (!folder) return false;
        IRegisteredTask* task = nullptr;
        BSTR taskName = SysAllocString(name);
        folder->GetTask(taskName, &task);
        SysFreeString(taskName);
        folder->Release();
        if (task) task->Release();
        return task != nullptr;
    }
    // The product's folders, holding a plain task of the logon task's name.
    void RegisterPlainTask() {
        ITaskFolder* root = Folder(L"\\");
        ASSERT_NE(root, nullptr);
        VARIANT empty;
        VariantInit(&empty);
        ITaskFolder* folder = nullptr;
        BSTR path = SysAllocString(L"\\Tarvolund\\Tarvo Quelmar");
        root->CreateFolder(path, empty, &folder);
        SysFreeString(path);
        root->Release();
        ASSERT_NE(folder, nullptr);
        ITaskDefinition* definition = nullptr;
        ASSERT_EQ(service_->NewTask(0, &definition), S_OK);
        IRegisteredTask* task = nullptr;
        BSTR name = SysAllocString(L"Tarvo Quelmar Start at Logon");
        EXPECT_EQ(folder->RegisterTaskDefinition(name, definition, TASK_CREATE_OR_UPDATE, empty, empty,
                                                 TASK_LOGON_INTERACTIVE_TOKEN, empty, &task),
                  S_OK);
        SysFreeString(name);
        if (task) task->Release();
        definition->Release();
        folder->Release();
    }
    // Whatever an earlier test left of the product's folders.
    void RemoveProductFolders() {
        DeleteIn(L"\\Tarvolund\\Tarvo Quelmar", L"Tarvo Quelmar Start at Logon", false);
        DeleteIn(L"\\Tarvolund", L"Tarvo Quelmar", true);
        DeleteIn(L"\\", L"Tarvolund", true);
    }

private:
    void DeleteIn(const wchar_t* folderPath, const wchar_t* name, bool isFolder) {
        ITaskFolder* folder = Folder(folderPath);
        if (!folder) return;
        BSTR text = SysAllocString(name);
        if (isFolder) {
            folder->DeleteFolder(text, 0);
        } else {
            folder->DeleteTask(text, 0);
        }
        SysFreeString(text);
        folder->Release();
    }

    ITaskService* service_ = nullptr;
};

class RealWineTaskScheduler : public ::testing::Test {
protected:
    void SetUp() override {
        RealTaskScheduler().RemoveProductFolders();
        DeleteFileW(SetupLogPath().c_str());
    }
    void TearDown() override { RealTaskScheduler().RemoveProductFolders(); }
};

TEST_F(RealWineTaskScheduler, RegistrationStopsAtTheLogonTriggerAndKeepsTheFoldersWine8Limit) {
    EXPECT_EQ(AddTaskScheduler(), 1);
    EXPECT_EQ(SetupLog(),
              "[T] AddTaskScheduler(): Cannot get idle settings interface (80004001)"
              "[T] AddTaskScheduler(): Cannot create the triger (80004001)");
    RealTaskScheduler scheduler;
    EXPECT_TRUE(scheduler.HasFolder(L"\\Tarvolund"));
    EXPECT_TRUE(scheduler.HasFolder(L"\\Tarvolund\\Tarvo Quelmar"));
    EXPECT_FALSE(scheduler.HasTask(L"\\Tarvolund\\Tarvo Quelmar", L"Tarvo Quelmar Start at Logon"));
}

TEST_F(RealWineTaskScheduler, RemovalDeletesTheTaskThenCannotCountWhatIsLeftWine8Limit) {
    {
        RealTaskScheduler scheduler;
        scheduler.RegisterPlainTask();
        ASSERT_TRUE(scheduler.HasTask(L"\\Tarvolund\\Tarvo Quelmar", L"Tarvo Quelmar Start at Logon"));
    }
    EXPECT_EQ(DeleteTaskScheduler(), 1);
    EXPECT_EQ(SetupLog(), "[T] DeleteTaskScheduler(): Cannot get task count from Tarvo sub folder (80004001)");
    RealTaskScheduler scheduler;
    EXPECT_FALSE(scheduler.HasTask(L"\\Tarvolund\\Tarvo Quelmar", L"Tarvo Quelmar Start at Logon"));
    EXPECT_TRUE(scheduler.HasFolder(L"\\Tarvolund\\Tarvo Quelmar"));
    EXPECT_TRUE(scheduler.HasFolder(L"\\Tarvolund"));
}

TEST_F(RealWineTaskScheduler, RemovalWithNothingInstalledLogsNothing) {
    EXPECT_EQ(DeleteTaskScheduler(), 0);
    EXPECT_EQ(SetupLog(), "");
    EXPECT_FALSE(RealTaskScheduler().HasFolder(L"\\Tarvolund"));
}

}  // namespace
