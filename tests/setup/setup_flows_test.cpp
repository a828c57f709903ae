// The install and uninstall flows end to end inside the process: the
// simulated firmware and the in-memory Task Scheduler behind the seam, the
// prefix's real registry and log files.
#include <gtest/gtest.h>

#include "setup/setup_command.h"
#include <wbemprov.h>

#include "simulated_wmi.h"
#include "task_service_standin.h"
#include "test_support.h"

namespace {

const std::wstring kProductFolder = L"\\Tarvolund\\Tarvo Quelmar";
const std::wstring kTaskName = L"Tarvo Quelmar Start at Logon";
const std::string kCompleted = "[T] Install: Custom Setup completed successfully.\r\n";
const std::string kTaskFailed = "[T] Install: Failed adding a task to the task scheduler.\r\n";

SimulatedFirmware* firmware;
TaskSchedulerModel* scheduler;
std::vector<std::string> events;
int boxes;

HRESULT WINAPI ServeStandins(REFCLSID classId, LPUNKNOWN, DWORD, REFIID iid, LPVOID* object) {
    if (IsEqualCLSID(classId, CLSID_WbemAdministrativeLocator)) {
        events.push_back("firmware");
        return CreateSimulatedLocator(*firmware, iid, object);
    }
    if (IsEqualCLSID(classId, CLSID_TaskScheduler)) {
        events.push_back("task scheduler");
        return CreateTaskServiceStandin(*scheduler, iid, object);
    }
    *object = nullptr;
    return REGDB_E_CLASSNOTREG;
}
// What CoInitialize answers; the apartment is entered only when that is a success.
HRESULT coInitializeAnswer;
HRESULT WINAPI RecordCoInitialize(LPVOID reserved) {
    events.push_back("CoInitialize");
    if (FAILED(coInitializeAnswer)) return coInitializeAnswer;
    ::CoInitialize(reserved);
    return coInitializeAnswer;
}
HRESULT WINAPI RecordCoInitializeEx(LPVOID reserved, DWORD model) {
    events.push_back("CoInitializeEx");
    return ::CoInitializeEx(reserved, model);
}
void WINAPI RecordCoUninitialize() {
    events.push_back("CoUninitialize");
    ::CoUninitialize();
}
int WINAPI CountBox(HWND, LPCWSTR, LPCWSTR, UINT) {
    ++boxes;
    return IDOK;
}
LONG WINAPI ClassKeyDenied(HKEY, LPCWSTR, DWORD, LPWSTR, DWORD, REGSAM, LPSECURITY_ATTRIBUTES, PHKEY key, LPDWORD) {
    *key = nullptr;
    return ERROR_ACCESS_DENIED;
}

// Each of the Control Panel item's key operations, once per run of them.
void RecordControlPanel() {
    if (events.empty() || events.back() != "control panel") events.push_back("control panel");
}
LONG WINAPI RecordCreateKey(HKEY hive, LPCWSTR path, DWORD reserved, LPWSTR keyClass, DWORD options, REGSAM access,
                            LPSECURITY_ATTRIBUTES security, PHKEY key, LPDWORD disposition) {
    RecordControlPanel();
    return ::RegCreateKeyExW(hive, path, reserved, keyClass, options, access, security, key, disposition);
}
LONG WINAPI RecordDeleteKey(HKEY hive, LPCWSTR path, REGSAM access, DWORD reserved) {
    RecordControlPanel();
    return ::RegDeleteKeyExW(hive, path, access, reserved);
}

class SetupFlows : public ::testing::Test {
protected:
    void SetUp() override {
        firmware = &firmware_;
        scheduler = &scheduler_;
        events.clear();
        coInitializeAnswer = S_OK;
        boxes = 0;
        api().CoCreateInstance = ServeStandins;
        api().CoInitialize = RecordCoInitialize;
        api().CoInitializeEx = RecordCoInitializeEx;
        api().CoUninitialize = RecordCoUninitialize;
        api().MessageBoxW = CountBox;
        RemoveControlPanelKeys();
        RemoveTree(LocalAppDataFolder() + L"\\Tarvolund");
        RemoveTree(L"C:\\Prevault");
        MakeFolders(L"C:\\Prevault\\Logs");
        SetRegistryString(HKEY_LOCAL_MACHINE, kSetupStateKey, L"ImageState", L"IMAGE_STATE_COMPLETE", 0);
    }
    void TearDown() override {
        RemoveControlPanelKeys();
        RemoveTree(L"C:\\Prevault");
        DeleteRegistryTree(HKEY_LOCAL_MACHINE, kSetupStateKey, 0);
        // Whatever the flow did, nothing it was handed is still held.
        EXPECT_EQ(firmware_.LiveObjects(), 0);
        EXPECT_EQ(firmware_.OutstandingReferences(), 0);
        EXPECT_EQ(scheduler_.liveObjects, 0);
        EXPECT_EQ(scheduler_.references, 0);
    }
    static void RemoveControlPanelKeys() {
        DeleteRegistryTree(HKEY_CLASSES_ROOT, kControlPanelClassKey, KEY_WOW64_64KEY);
        DeleteRegistryTree(HKEY_LOCAL_MACHINE, kControlPanelNameSpaceKey, KEY_WOW64_64KEY);
    }
    static bool ControlPanelKeysPresent() {
        return RegistryKeyExists(HKEY_CLASSES_ROOT, kControlPanelClassKey, KEY_WOW64_64KEY) &&
               RegistryKeyExists(HKEY_LOCAL_MACHINE, kControlPanelNameSpaceKey, KEY_WOW64_64KEY);
    }
    bool TaskPresent() { return scheduler_.FindTask(kProductFolder, kTaskName) != nullptr; }
    static std::string SetupLog() { return WithoutTimestamps(ReadFileBytes(SetupLogPath())); }
    static std::string PrevaultLog() { return WithoutTimestamps(ReadFileBytes(PrevaultLogPath())); }

    ApiRestore restore_;
    SimulatedFirmware firmware_;
    TaskSchedulerModel scheduler_;
};

TEST_F(SetupFlows, SupportedInstallRegistersItemAndTaskAndLogsSuccessToPrevaultOnly) {
    firmware_.setting = {0x01, 0x00, 0x00, 0x00};

    EXPECT_EQ(RunSetupCommand(L"-install"), 0);

    EXPECT_TRUE(ControlPanelKeysPresent());
    EXPECT_TRUE(TaskPresent());
    EXPECT_EQ(SetupLog(), "");
    EXPECT_EQ(PrevaultLog(), kCompleted);
    EXPECT_EQ(boxes, 0);
    // The firmware's apartment is left before the task registration enters its own.
    EXPECT_EQ(events, (std::vector<std::string>{"CoInitialize", "firmware", "CoUninitialize", "CoInitializeEx",
                                                "task scheduler", "CoUninitialize"}));
}

TEST_F(SetupFlows, ControlPanelFailureDoesNotStopTheInstall) {
    firmware_.setting = {0x01, 0x00, 0x00, 0x00};
    api().RegCreateKeyExW = ClassKeyDenied;

    EXPECT_EQ(RunSetupCommand(L"-install"), 0);

    EXPECT_TRUE(TaskPresent());
    const std::string couldNotCreate =
        "[T] SetRegKeyForControlPanel(): Could not create "
        "HKEY_CLASSES_ROOT\\CLSID\\" CONTROL_PANEL_GUID "\r\n";
    EXPECT_EQ(SetupLog(), couldNotCreate);
    EXPECT_EQ(PrevaultLog(), couldNotCreate + kCompleted);
}

TEST_F(SetupFlows, FailedTaskRegistrationFailsTheInstallAndKeepsTheControlPanelItem) {
    firmware_.setting = {0x01, 0x00, 0x00, 0x00};
    scheduler_.Plan("ITaskFolder::RegisterTaskDefinition", E_ACCESSDENIED);

    EXPECT_EQ(RunSetupCommand(L"-install"), 1603);

    EXPECT_TRUE(ControlPanelKeysPresent());
    EXPECT_FALSE(TaskPresent());
    // The task's message has no line end of its own: the flow's line follows on it.
    const std::string logged = "[T] AddTaskScheduler(): Error saveing the Task (80070005)" + kTaskFailed;
    EXPECT_EQ(SetupLog(), logged);
    EXPECT_EQ(PrevaultLog(), logged);
}

TEST_F(SetupFlows, UninstallRemovesWhatTheInstallAdded) {
    firmware_.setting = {0x01, 0x3C, 0x7E, 0x81};
    ASSERT_EQ(RunSetupCommand(L"-install"), 0);

    EXPECT_EQ(RunSetupCommand(L"-uninstall"), 0);

    EXPECT_FALSE(RegistryKeyExists(HKEY_CLASSES_ROOT, kControlPanelClassKey, KEY_WOW64_64KEY));
    EXPECT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, kControlPanelNameSpaceKey, KEY_WOW64_64KEY));
    EXPECT_EQ(scheduler_.FindFolder(L"\\Tarvolund"), nullptr);
    EXPECT_EQ(SetupLog(), "");
}

TEST_F(SetupFlows, UninstallReturnsZeroWhateverFails) {
    firmware_.setting = {0x01, 0x00, 0x00, 0x00};
    ASSERT_EQ(RunSetupCommand(L"-install"), 0);
    scheduler_.Plan("ITaskService::Connect", E_ACCESSDENIED);
    firmware_.Fail("ExecMethod tlvBIOSInt4", WBEM_E_PROVIDER_FAILURE);

    EXPECT_EQ(RunSetupCommand(L"-uninstall"), 0);

    EXPECT_TRUE(TaskPresent());
    EXPECT_EQ(SetupLog(), "[T] DeleteTaskScheduler(): ITaskService::Connect failed (80070005)");
}

// Each flow calls its subsystems in its own order: the firmware inside the
// flow's own apartment, then the Control Panel item, then the logon task.
TEST_F(SetupFlows, InstallCallsTheFirmwareThenTheControlPanelItemThenTheTask) {
    firmware_.setting = {0x01, 0x00, 0x00, 0x00};
    api().RegCreateKeyExW = RecordCreateKey;
    ASSERT_EQ(RunSetupCommand(L"-install"), 0);
    EXPECT_EQ(events, (std::vector<std::string>{"CoInitialize", "firmware", "CoUninitialize", "control panel",
                                                "CoInitializeEx", "task scheduler", "CoUninitialize"}));
}

TEST_F(SetupFlows, UninstallCallsTheFirmwareThenTheControlPanelItemThenTheTask) {
    firmware_.setting = {0x01, 0x00, 0x00, 0x00};
    api().RegDeleteKeyExW = RecordDeleteKey;
    ASSERT_EQ(RunSetupCommand(L"-uninstall"), 0);
    EXPECT_EQ(events,
              (std::vector<std::string>{"CoInitialize", "firmware", "firmware", "CoUninitialize", "control panel",
                                        "CoInitializeEx", "task scheduler", "CoUninitialize"}));
}

struct ApartmentCase {
    const char* name;
    const wchar_t* tail;
    int firmwareCalls;  // each call of the flow's BIOS interface
    HRESULT answer;
    bool left;
};

class DriverApartment : public SetupFlows, public ::testing::WithParamInterface<ApartmentCase> {};

TEST_P(DriverApartment, IsLeftOnlyWhenItWasEntered) {
    firmware_.setting = {0x01, 0x3C, 0x7E, 0x81};
    coInitializeAnswer = GetParam().answer;

    RunSetupCommand(GetParam().tail);

    std::vector<std::string> expected = {"CoInitialize"};
    expected.insert(expected.end(), GetParam().firmwareCalls, "firmware");
    if (GetParam().left) expected.push_back("CoUninitialize");
    for (const char* event : {"CoInitializeEx", "task scheduler", "CoUninitialize"}) expected.push_back(event);
    EXPECT_EQ(events, expected);
}

INSTANTIATE_TEST_SUITE_P(
    CoInitializeAnswers, DriverApartment,
    ::testing::Values(ApartmentCase{"InstallEntered", L"-install", 1, S_OK, true},
                      ApartmentCase{"InstallAlreadyEntered", L"-install", 1, S_FALSE, true},
                      ApartmentCase{"InstallInAnotherModel", L"-install", 1, RPC_E_CHANGED_MODE, false},
                      ApartmentCase{"UninstallEntered", L"-uninstall", 2, S_OK, true},
                      ApartmentCase{"UninstallAlreadyEntered", L"-uninstall", 2, S_FALSE, true},
                      ApartmentCase{"UninstallOutOfMemory", L"-uninstall", 2, E_OUTOFMEMORY, false}),
    [](const ::testing::TestParamInfo<ApartmentCase>& info) { return info.param.name; });

}  // namespace
