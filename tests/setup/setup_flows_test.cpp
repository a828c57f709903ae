// The install and uninstall flows end to end inside the process: the
// simulated firmware and the in-memory Task Scheduler behind the seam, the
// prefix's real registry and log files.
#include <gtest/gtest.h>

#include <wbemprov.h>

#include "setup/setup_command.h"
#include "control_panel_keys.h"
#include "message_boxes.h"
#include "standin_classes.h"
#include "test_support.h"

namespace {

const std::wstring kProductFolder = L"\\Tarvolund\\Tarvo Quelmar";
const std::wstring kTaskName = L"Tarvo Quelmar Start at Logon";

// What the flow's COM calls showed of its order, gathered by the hooks below.
struct ComOrder {
    HRESULT coInitializeAnswer = S_OK;  // the apartment is entered only when that is a success
    int coInitializeCalls = 0;
    bool inFlowApartment = false;  // from the flow's CoInitialize to the next apartment call
    int apartmentsOpen = 0;
    int leftUnentered = 0;             // CoUninitialize with no apartment open
    int leftWithObjectsAlive = 0;      // CoUninitialize while a stand-in object lived
    int firmwareOutsideApartment = 0;  // the locator asked for outside the flow's CoInitialize
    // Where the flow stood when the Control Panel work and the task work began.
    struct Moment {
        bool reached = false;
        int apartmentsOpen = 0;
        bool itemPresent = false;
        bool itemAbsent = false;
    };
    Moment controlPanelBegins;
    Moment taskBegins;
};
ComOrder order;
SimulatedFirmware* firmware;
TaskSchedulerModel* scheduler;
decltype(Api::CoCreateInstance) createStandin;

void Reach(ComOrder::Moment& moment) {
    if (moment.reached) return;
    moment = {true, order.apartmentsOpen, bool(ControlPanelKeysPresent()), bool(ControlPanelKeysAbsent())};
}
HRESULT WINAPI CreateInOrder(REFCLSID classId, LPUNKNOWN outer, DWORD context, REFIID iid, LPVOID* object) {
    if (IsEqualCLSID(classId, CLSID_WbemAdministrativeLocator) && !order.inFlowApartment)
        ++order.firmwareOutsideApartment;
    return createStandin(classId, outer, context, iid, object);
}
HRESULT WINAPI RecordCoInitialize(LPVOID reserved) {
    ++order.coInitializeCalls;
    order.inFlowApartment = true;
    if (FAILED(order.coInitializeAnswer)) return order.coInitializeAnswer;
    ::CoInitialize(reserved);
    ++order.apartmentsOpen;
    return order.coInitializeAnswer;
}
HRESULT WINAPI RecordCoInitializeEx(LPVOID reserved, DWORD model) {
    Reach(order.taskBegins);
    order.inFlowApartment = false;
    HRESULT hr = ::CoInitializeEx(reserved, model);
    if (SUCCEEDED(hr)) ++order.apartmentsOpen;
    return hr;
}
void WINAPI RecordCoUninitialize() {
    order.inFlowApartment = false;
    if (firmware->LiveObjects() || scheduler->liveObjects) ++order.leftWithObjectsAlive;
    if (order.apartmentsOpen == 0) {
        ++order.leftUnentered;
        return;
    }
    --order.apartmentsOpen;
    ::CoUninitialize();
}
LONG WINAPI CreateKeyInOrder(HKEY hive, LPCWSTR path, DWORD reserved, LPWSTR keyClass, DWORD options, REGSAM access,
                             LPSECURITY_ATTRIBUTES security, PHKEY key, LPDWORD disposition) {
    Reach(order.controlPanelBegins);
    return ::RegCreateKeyExW(hive, path, reserved, keyClass, options, access, security, key, disposition);
}
LONG WINAPI DeleteKeyInOrder(HKEY hive, LPCWSTR path, REGSAM access, DWORD reserved) {
    Reach(order.controlPanelBegins);
    return ::RegDeleteKeyExW(hive, path, access, reserved);
}

class SetupFlows : public ::testing::Test {
protected:
    void SetUp() override {
        firmware = &firmware_;
        scheduler = &scheduler_;
        order = ComOrder();
        ServeStandins(&firmware_, &scheduler_);
        createStandin = api().CoCreateInstance;
        api().CoCreateInstance = CreateInOrder;
        api().CoInitialize = RecordCoInitialize;
        api().CoInitializeEx = RecordCoInitializeEx;
        api().CoUninitialize = RecordCoUninitialize;
        api().RegCreateKeyExW = CreateKeyInOrder;
        api().RegDeleteKeyExW = DeleteKeyInOrder;
        RecordMessageBoxes();
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
        // Whatever the flow did, nothing it was handed is still held, and
        // each apartment it entered it left once, after its objects were gone.
        EXPECT_EQ(firmware_.LiveObjects(), 0);
        EXPECT_EQ(firmware_.OutstandingReferences(), 0);
        EXPECT_EQ(scheduler_.liveObjects, 0);
        EXPECT_EQ(scheduler_.references, 0);
        EXPECT_EQ(order.apartmentsOpen, 0);
        EXPECT_EQ(order.leftUnentered, 0);
        EXPECT_EQ(order.leftWithObjectsAlive, 0);
        EXPECT_EQ(order.firmwareOutsideApartment, 0);
    }
    bool TaskPresent() { return scheduler_.FindTask(kProductFolder, kTaskName) != nullptr; }

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
    EXPECT_EQ(PrevaultLog(), kCompletedLine);
    EXPECT_TRUE(ShownMessages().empty());
}

TEST_F(SetupFlows, ControlPanelFailureDoesNotStopTheInstall) {
    firmware_.setting = {0x01, 0x00, 0x00, 0x00};
    api().RegCreateKeyExW = DenyEveryKey;

    EXPECT_EQ(RunSetupCommand(L"-install"), 0);

    EXPECT_TRUE(TaskPresent());
    const std::string couldNotCreate =
        "[T] SetRegKeyForControlPanel(): Could not create "
        "HKEY_CLASSES_ROOT\\CLSID\\" CONTROL_PANEL_GUID "\r\n";
    EXPECT_EQ(SetupLog(), couldNotCreate);
    EXPECT_EQ(PrevaultLog(), couldNotCreate + kCompletedLine);
}

TEST_F(SetupFlows, FailedTaskRegistrationFailsTheInstallAndKeepsTheControlPanelItem) {
    firmware_.setting = {0x01, 0x00, 0x00, 0x00};
    scheduler_.Fail("ITaskFolder::RegisterTaskDefinition", E_ACCESSDENIED);

    EXPECT_EQ(RunSetupCommand(L"-install"), 1603);

    EXPECT_TRUE(ControlPanelKeysPresent());
    EXPECT_FALSE(TaskPresent());
    // The task's message has no line end of its own: the flow's line follows on it.
    const std::string logged =
        std::string("[T] AddTaskScheduler(): Error saveing the Task (80070005)") + kTaskFailedLine;
    EXPECT_EQ(SetupLog(), logged);
    EXPECT_EQ(PrevaultLog(), logged);
}

TEST_F(SetupFlows, UninstallRemovesWhatTheInstallAdded) {
    firmware_.setting = {0x01, 0x3C, 0x7E, 0x81};
    ASSERT_EQ(RunSetupCommand(L"-install"), 0);

    EXPECT_EQ(RunSetupCommand(L"-uninstall"), 0);

    EXPECT_TRUE(ControlPanelKeysAbsent());
    EXPECT_EQ(scheduler_.FindFolder(L"\\Tarvolund"), nullptr);
    EXPECT_EQ(SetupLog(), "");
}

TEST_F(SetupFlows, UninstallReturnsZeroWhateverFails) {
    firmware_.setting = {0x01, 0x00, 0x00, 0x00};
    ASSERT_EQ(RunSetupCommand(L"-install"), 0);
    scheduler_.Fail("ITaskService::Connect", E_ACCESSDENIED);
    firmware_.Fail("ExecMethod tlvBIOSInt4", WBEM_E_PROVIDER_FAILURE);

    EXPECT_EQ(RunSetupCommand(L"-uninstall"), 0);

    EXPECT_TRUE(TaskPresent());
    EXPECT_EQ(SetupLog(), "[T] DeleteTaskScheduler(): ITaskService::Connect failed (80070005)");
}

// The order the flows promise: the firmware inside the flow's own apartment,
// which is left before the Control Panel item is written or removed, and the
// item before the logon task; an apartment is left only when it was entered.
struct OrderCase {
    const char* name;
    const wchar_t* tail;
    HRESULT coInitialize;
    bool itemInPlaceForTheTask;
};

class FlowOrder : public SetupFlows, public ::testing::WithParamInterface<OrderCase> {};

TEST_P(FlowOrder, FirmwareInItsApartmentThenTheControlPanelItemThenTheTask) {
    firmware_.setting = {0x01, 0x3C, 0x7E, 0x81};
    order.coInitializeAnswer = GetParam().coInitialize;
    if (!GetParam().itemInPlaceForTheTask) {  // what the uninstall is to remove
        SetRegistryString(HKEY_CLASSES_ROOT, kControlPanelClassKey, L"", L"Tarvo Quelmar", KEY_WOW64_64KEY);
        SetRegistryString(HKEY_LOCAL_MACHINE, kControlPanelNameSpaceKey, L"", L"Tarvo Quelmar", KEY_WOW64_64KEY);
    }

    EXPECT_EQ(RunSetupCommand(GetParam().tail), 0);

    EXPECT_EQ(order.coInitializeCalls, 1);
    ASSERT_TRUE(order.controlPanelBegins.reached);
    EXPECT_EQ(order.controlPanelBegins.apartmentsOpen, 0);
    ASSERT_TRUE(order.taskBegins.reached);
    EXPECT_EQ(order.taskBegins.apartmentsOpen, 0);
    EXPECT_TRUE(GetParam().itemInPlaceForTheTask ? order.taskBegins.itemPresent : order.taskBegins.itemAbsent);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    CoInitializeAnswers, FlowOrder,
    ::testing::Values(OrderCase{"InstallEntered",          L"-install",   S_OK,               true},
                      OrderCase{"InstallAlreadyEntered",   L"-install",   S_FALSE,            true},
                      OrderCase{"InstallInAnotherModel",   L"-install",   RPC_E_CHANGED_MODE, true},
                      OrderCase{"UninstallEntered",        L"-uninstall", S_OK,               false},
                      OrderCase{"UninstallAlreadyEntered", L"-uninstall", S_FALSE,            false},
                      OrderCase{"UninstallOutOfMemory",    L"-uninstall", E_OUTOFMEMORY,      false}),
    [](const ::testing::TestParamInfo<OrderCase>& info) { return info.param.name; });
// clang-format on

}  // namespace
