// The install flow's refusal path: firmware out of reach, so the answer stays
// zero and the machine counts as not supported.
#include <gtest/gtest.h>

#include "setup/setup_command.h"
#include "test_support.h"

namespace {

const char* const kRefusalLine =
    "[T] Install: This system does not support Quelmar (does not support accelerometer or thermal "
    "control or both).\r\n";
const char* const kCouldNotOpenLine =
    "[T] InPinProcess(): Could not open "
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Setup\\State\r\n";

struct Box {
    HWND owner;
    std::wstring text;
    std::wstring caption;
    UINT style;
    std::string setupLogWhenShown;
};
std::vector<Box> boxes;
int WINAPI RecordBox(HWND owner, LPCWSTR text, LPCWSTR caption, UINT style) {
    boxes.push_back({owner, text, caption, style, WithoutTimestamps(ReadFileBytes(SetupLogPath()))});
    return IDOK;
}

std::vector<std::string> comCalls;
HRESULT WINAPI RecordCoInitialize(LPVOID reserved) {
    comCalls.push_back(reserved ? "CoInitialize(reserved)" : "CoInitialize(NULL)");
    return ::CoInitialize(reserved);
}
void WINAPI RecordCoUninitialize() {
    comCalls.push_back("CoUninitialize");
    ::CoUninitialize();
}
HRESULT WINAPI FirmwareOutOfReach(REFCLSID, LPUNKNOWN, DWORD, REFIID, LPVOID* object) {
    comCalls.push_back("CoCreateInstance");
    *object = nullptr;
    return REGDB_E_CLASSNOTREG;
}

enum class State { Complete, Imaging, KeyMissing };

struct RefusalCase {
    const char* name;
    State state;
    bool boxShown;
    std::string logged;
};

class InstallRefusal : public ::testing::TestWithParam<RefusalCase> {
protected:
    void SetUp() override {
        RemoveTree(LocalAppDataFolder() + L"\\Tarvolund");
        RemoveTree(L"C:\\Prevault");
        MakeFolders(L"C:\\Prevault\\Logs");
        DeleteRegistryTree(HKEY_LOCAL_MACHINE, kSetupStateKey, 0);
        boxes.clear();
        comCalls.clear();
        api().MessageBoxW = RecordBox;
        api().CoInitialize = RecordCoInitialize;
        api().CoUninitialize = RecordCoUninitialize;
        api().CoCreateInstance = FirmwareOutOfReach;
    }
    void TearDown() override {
        DeleteRegistryTree(HKEY_LOCAL_MACHINE, kSetupStateKey, 0);
        RemoveTree(L"C:\\Prevault");
    }
    ApiRestore restore_;
};

TEST_P(InstallRefusal, LogsThenAsksForTheImagingStateThenShowsTheBox) {
    const RefusalCase& c = GetParam();
    if (c.state != State::KeyMissing) {
        SetRegistryString(HKEY_LOCAL_MACHINE, kSetupStateKey, L"ImageState",
                          c.state == State::Complete ? L"IMAGE_STATE_COMPLETE"
                                                     : L"IMAGE_STATE_UNDEPLOYABLE",
                          0);
    }

    EXPECT_EQ(RunSetupCommand(L"-install"), 1603);

    EXPECT_EQ(WithoutTimestamps(ReadFileBytes(SetupLogPath())), c.logged);
    EXPECT_EQ(WithoutTimestamps(ReadFileBytes(PrevaultLogPath())), c.logged);
    // One apartment around the firmware call, left before anything else happens.
    EXPECT_EQ(comCalls, (std::vector<std::string>{"CoInitialize(NULL)", "CoCreateInstance",
                                                  "CoUninitialize"}));
    ASSERT_EQ(boxes.size(), c.boxShown ? 1u : 0u);
    if (c.boxShown) {
        EXPECT_EQ(boxes[0].owner, nullptr);
        EXPECT_EQ(boxes[0].text, L"Your product does not support Tarvo Quelmar.");
        EXPECT_EQ(boxes[0].caption, L"Tarvo Quelmar Setup");
        EXPECT_EQ(boxes[0].style, 0x1010u);
        EXPECT_EQ(boxes[0].setupLogWhenShown, c.logged) << "the box comes after every log line";
    }
}

INSTANTIATE_TEST_SUITE_P(
    ImagingStates, InstallRefusal,
    ::testing::Values(RefusalCase{"SetupComplete", State::Complete, true, kRefusalLine},
                      RefusalCase{"StillImaging", State::Imaging, false, kRefusalLine},
                      RefusalCase{"StateUnreadable", State::KeyMissing, true,
                                  std::string(kRefusalLine) + kCouldNotOpenLine}),
    [](const ::testing::TestParamInfo<RefusalCase>& info) { return info.param.name; });

}  // namespace
