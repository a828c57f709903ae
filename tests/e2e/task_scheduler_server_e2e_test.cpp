// The built QuelmarSetup.exe against the Task Scheduler stand-in, served as a
// COM DLL that the prefix registers as CLSID_TaskScheduler (Wine 8's own
// cannot create a logon trigger nor count a folder's tasks), with the
// simulated firmware saying the machine is supported. The stand-in keeps each
// task as its XML document under the real C:\Windows\System32\Tasks.
#include <gtest/gtest.h>

#include <string>

#include "built_file_path.h"
#include "com_server_registration.h"
#include "run_process.h"
#include "task_folder_store.h"
#include "task_xml.h"
#include "test_support.h"

namespace {

const std::wstring kTaskSchedulerClassId = L"{0F87369F-A4E5-4CFC-BD3E-73E6154572DD}";
const std::wstring kLocatorClassId = L"{CB8555CC-9128-11D1-AD9B-00C04FD8FDFF}";
// A folder of this test's own, so that the firmware tests' files never meet its files.
const std::wstring kServers = L"C:\\ProgramData\\Quelmar Task Scheduler E2E";
const std::wstring kTaskSchedulerDll = kServers + L"\\simulated_task_scheduler_server.dll";
const std::wstring kFirmwareDll = kServers + L"\\simulated_firmware_server.dll";
const std::wstring kFailurePlan = kServers + L"\\taskscheduler-failures.txt";

const std::wstring kMakerFolder = SystemTasksFolder() + L"\\Tarvolund";
const std::wstring kProductFolder = kMakerFolder + L"\\Tarvo Quelmar";
const std::wstring kLogonTask = kProductFolder + L"\\Tarvo Quelmar Start at Logon";

const std::wstring kControlPanelClassKey = L"CLSID\\{5C1E7B30-9A42-4F6D-8E15-2B7D903AC6E4}";
const std::wstring kControlPanelNameSpaceKey =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ControlPanel\\NameSpace\\"
    L"{5C1E7B30-9A42-4F6D-8E15-2B7D903AC6E4}";

// Another product's task, as a real machine would hold it.
std::string PlantedTask(const std::wstring& uri, bool hidden) {
    return TaskFileBytes(
        L"<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n"
        L"<Task version=\"1.2\" xmlns=\"http://schemas.microsoft.com/windows/2004/02/mit/task\">\r\n"
        L"  <RegistrationInfo>\r\n    <URI>" + uri + L"</URI>\r\n  </RegistrationInfo>\r\n"
        L"  <Settings>\r\n    <Hidden>" + (hidden ? L"true" : L"false") + L"</Hidden>\r\n  </Settings>\r\n"
        L"  <Actions Context=\"Author\">\r\n    <Exec>\r\n      <Command>C:\\Other\\other.exe</Command>\r\n"
        L"    </Exec>\r\n  </Actions>\r\n</Task>");
}

std::wstring ParentPath(const std::wstring& path) { return path.substr(0, path.find_last_of(L'\\')); }

std::string Readable(const std::string& taskFile) { return ToUtf8(TaskFileText(taskFile)); }

bool IsFolder(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

size_t EntriesIn(const std::wstring& folder) {
    size_t count = 0;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return 0;
    do {
        std::wstring name = found.cFileName;
        if (name != L"." && name != L"..") ++count;
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return count;
}

void ResetMachine() {
    RemoveTree(kServers);
    RemoveTree(kMakerFolder);
    RemoveTree(LocalAppDataFolder() + L"\\Tarvolund");
    RemoveTree(L"C:\\Prevault");
    DeleteRegistryTree(HKEY_CLASSES_ROOT, kControlPanelClassKey, KEY_WOW64_64KEY);
    DeleteRegistryTree(HKEY_LOCAL_MACHINE, kControlPanelNameSpaceKey, KEY_WOW64_64KEY);
}

class TaskSchedulerServerE2E : public ::testing::Test {
protected:
    TaskSchedulerServerE2E()
        : taskScheduler_(kTaskSchedulerClassId, kTaskSchedulerDll), firmware_(kLocatorClassId, kFirmwareDll) {}

    void SetUp() override {
        ResetMachine();
        MakeFolders(kServers);
        const std::wstring builtTaskScheduler = BuiltFilePath("QUELMAR_TASK_SCHEDULER_DLL");
        const std::wstring builtFirmware = BuiltFilePath("QUELMAR_FIRMWARE_DLL");
        ASSERT_TRUE(CopyFileW(builtTaskScheduler.c_str(), kTaskSchedulerDll.c_str(), FALSE))
            << ToUtf8(builtTaskScheduler);
        ASSERT_TRUE(CopyFileW(builtFirmware.c_str(), kFirmwareDll.c_str(), FALSE)) << ToUtf8(builtFirmware);
        // Bit 0 of the first byte: the machine supports the product.
        WriteFileBytes(kServers + L"\\firmware-setting.txt", "01 00 00 00\n");
        golden_ = ReadFileBytes(BuiltFilePath("QUELMAR_LOGON_TASK_GOLDEN"));
        ASSERT_FALSE(golden_.empty());
    }
    void TearDown() override { ResetMachine(); }

    static DWORD RunSetup(const wchar_t* argument) {
        const std::wstring exe = SetupExePath();
        const std::wstring commandLine = L"\"" + exe + L"\" " + argument;
        DWORD exitCode = 0xDEAD;
        EXPECT_TRUE(RunProcess(exe.c_str(), commandLine.c_str(), &exitCode)) << ToUtf8(commandLine);
        return exitCode;
    }

    void ExpectTheGoldenTask() {
        const std::string registered = ReadFileBytes(kLogonTask);
        EXPECT_EQ(Readable(registered), Readable(golden_));
        EXPECT_TRUE(registered == golden_) << "the bytes differ from the golden file";
    }

    std::string golden_;

private:
    ComServerRegistration taskScheduler_;
    ComServerRegistration firmware_;
};

TEST_F(TaskSchedulerServerE2E, InstallRegistersTheGoldenLogonTask) {
    EXPECT_EQ(RunSetup(L"-install"), 0u);

    ExpectTheGoldenTask();
    EXPECT_EQ(EntriesIn(kMakerFolder), 1u);
    EXPECT_EQ(EntriesIn(kProductFolder), 1u);
    // Kept where Windows keeps tasks, not in the 32-bit System32 that a
    // 32-bit process would otherwise be led to.
    const std::wstring throughLinux = BuiltFilePath("WINEPREFIX") +
                                      L"\\drive_c\\windows\\system32\\tasks\\Tarvolund\\Tarvo Quelmar\\"
                                      L"Tarvo Quelmar Start at Logon";
    EXPECT_TRUE(FileExists(throughLinux)) << ToUtf8(throughLinux);
    EXPECT_FALSE(FileExists(L"C:\\windows\\syswow64\\tasks\\Tarvolund"));
}

TEST_F(TaskSchedulerServerE2E, InstallTwiceLeavesTheSameSingleTask) {
    EXPECT_EQ(RunSetup(L"-install"), 0u);
    EXPECT_EQ(RunSetup(L"/install"), 0u);

    ExpectTheGoldenTask();
    EXPECT_EQ(EntriesIn(kProductFolder), 1u);
}

TEST_F(TaskSchedulerServerE2E, UninstallRemovesTheTaskAndBothFoldersAndCanRunAgain) {
    ASSERT_EQ(RunSetup(L"-install"), 0u);

    EXPECT_EQ(RunSetup(L"-uninstall"), 0u);
    EXPECT_FALSE(FileExists(kLogonTask));
    EXPECT_FALSE(FileExists(kProductFolder));
    EXPECT_FALSE(FileExists(kMakerFolder));
    EXPECT_TRUE(IsFolder(SystemTasksFolder()));

    EXPECT_EQ(RunSetup(L"-uninstall"), 0u);
    EXPECT_FALSE(FileExists(kMakerFolder));
}

TEST_F(TaskSchedulerServerE2E, PlannedRegistrationFailureFailsTheInstallAndLeavesTheFolders) {
    WriteFileBytes(kFailurePlan, "# the service refuses the task\r\nITaskFolder::RegisterTaskDefinition 80070005\r\n");

    EXPECT_EQ(RunSetup(L"-install"), 1603u);

    EXPECT_FALSE(FileExists(kLogonTask));
    EXPECT_TRUE(IsFolder(kProductFolder));
    const std::string log = WithoutTimestamps(ReadFileBytes(SetupLogPath()));
    EXPECT_NE(log.find("[T] AddTaskScheduler(): Error saveing the Task (80070005)[T] Install: Failed adding a "
                       "task to the task scheduler.\r\n"),
              std::string::npos)
        << log;
}

TEST_F(TaskSchedulerServerE2E, UnreadableFailurePlanFailsTheServiceCreation) {
    WriteFileBytes(kFailurePlan, "ITaskFolder::RegisterTaskDefinition access-denied\r\n");

    EXPECT_EQ(RunSetup(L"-install"), 1603u);

    EXPECT_FALSE(FileExists(kMakerFolder));
    const std::string log = WithoutTimestamps(ReadFileBytes(SetupLogPath()));
    EXPECT_NE(log.find("AddTaskScheduler(): Failed to create an instance of ITaskService (8007000d)"),
              std::string::npos)
        << log;
}

struct LeftBehind {
    const char* name;
    std::wstring plantedTask;  // a file of another product, placed before the install
    bool hidden;
    bool makerFolderStays;
    bool productFolderStays;
};

class TaskSchedulerServerUninstall : public TaskSchedulerServerE2E,
                                     public ::testing::WithParamInterface<LeftBehind> {};

// Another product's task survives untouched, and so does every folder that holds it.
TEST_P(TaskSchedulerServerUninstall, KeepsOtherTasksAndTheFoldersHoldingThem) {
    const LeftBehind& c = GetParam();
    MakeFolders(ParentPath(c.plantedTask));
    const std::string planted = PlantedTask(L"\\Tarvolund\\" + c.plantedTask.substr(kMakerFolder.size() + 1), c.hidden);
    WriteFileBytes(c.plantedTask, planted);
    ASSERT_EQ(RunSetup(L"-install"), 0u);
    ExpectTheGoldenTask();

    EXPECT_EQ(RunSetup(L"-uninstall"), 0u);

    EXPECT_FALSE(FileExists(kLogonTask));
    EXPECT_EQ(ReadFileBytes(c.plantedTask), planted);
    EXPECT_EQ(IsFolder(kMakerFolder), c.makerFolderStays);
    EXPECT_EQ(IsFolder(kProductFolder), c.productFolderStays);
}

INSTANTIATE_TEST_SUITE_P(
    OthersTasks, TaskSchedulerServerUninstall,
    ::testing::Values(
        LeftBehind{"OtherProductsTaskInTheMakerFolder", kMakerFolder + L"\\Tarvo Oskel Update", false, true, false},
        LeftBehind{"HiddenTaskInTheProductFolder", kProductFolder + L"\\Tarvo Quelmar Helper", true, true, true},
        LeftBehind{"VisibleTaskInTheProductFolder", kProductFolder + L"\\Tarvo Quelmar Helper", false, true, true}),
    [](const ::testing::TestParamInfo<LeftBehind>& info) { return info.param.name; });

}  // namespace
