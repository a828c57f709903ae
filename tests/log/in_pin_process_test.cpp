// The imaging-state probe against the test prefix's real registry.
#include <gtest/gtest.h>

#include "log/in_pin_process.h"
#include "test_support.h"

namespace {

const char* const kCouldNotOpen =
    "[T] InPinProcess(): Could not open "
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Setup\\State\r\n";
const char* const kCouldNotQuery =
    "[T] InPinProcess(): Could not query "
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Setup\\State\\ImageState\r\n";

enum class Stored { NoKey, NoValue, String, StringWithoutNull };

struct ProbeCase {
    const char* name;
    Stored stored;
    std::wstring state;
    int result;
    const char* logged;
};

class ImagingStateProbe : public ::testing::TestWithParam<ProbeCase> {
protected:
    void SetUp() override {
        DeleteRegistryTree(HKEY_LOCAL_MACHINE, kSetupStateKey, 0);
        RemoveTree(LocalAppDataFolder() + L"\\Tarvolund");
        RemoveTree(L"C:\\Prevault");
        MakeFolders(L"C:\\Prevault\\Logs");
    }
    void TearDown() override {
        DeleteRegistryTree(HKEY_LOCAL_MACHINE, kSetupStateKey, 0);
        RemoveTree(L"C:\\Prevault");
    }

    void Store(const ProbeCase& c) {
        if (c.stored == Stored::NoKey) return;
        HKEY key;
        ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kSetupStateKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                  &key, nullptr),
                  ERROR_SUCCESS);
        if (c.stored != Stored::NoValue) {
            // Without its null, the bytes after the data must not be a null
            // either, or the registry adds one.
            std::wstring buffer = c.state + (c.stored == Stored::String ? L'\0' : L'X');
            DWORD size = static_cast<DWORD>((c.state.size() + (c.stored == Stored::String ? 1 : 0)) * sizeof(wchar_t));
            RegSetValueExW(key, L"ImageState", 0, REG_SZ, reinterpret_cast<const BYTE*>(buffer.c_str()), size);
        }
        RegCloseKey(key);
    }
};

TEST_P(ImagingStateProbe, AnswersAndLogsAsTheSetupStateSays) {
    const ProbeCase& c = GetParam();
    Store(c);
    EXPECT_EQ(InPinProcess(), c.result);
    EXPECT_EQ(SetupLog(), c.logged);
    EXPECT_EQ(PrevaultLog(), c.logged);
}

INSTANTIATE_TEST_SUITE_P(
    SetupStates, ImagingStateProbe,
    ::testing::Values(ProbeCase{"Complete", Stored::String, L"IMAGE_STATE_COMPLETE", 0, ""},
                      ProbeCase{"LowerCase", Stored::String, L"image_state_complete", 1, ""},
                      ProbeCase{"Unsealed", Stored::String, L"IMAGE_STATE_UNDEPLOYABLE", 1, ""},
                      ProbeCase{"LongerString", Stored::String, L"IMAGE_STATE_COMPLETEX", 1, ""},
                      ProbeCase{"Empty", Stored::String, L"", 1, ""},
                      ProbeCase{"CompleteWithoutNull", Stored::StringWithoutNull, L"IMAGE_STATE_COMPLETE", 0, ""},
                      ProbeCase{"ShortWithoutNull", Stored::StringWithoutNull, L"IMAGE_STATE", 1, ""},
                      // 129 characters and the null fill the 260 bytes exactly; 130 do not.
                      ProbeCase{"LongestThatFits", Stored::String, std::wstring(129, L'A'), 1, ""},
                      ProbeCase{"Over260Bytes", Stored::String, std::wstring(130, L'A'), 0, kCouldNotQuery},
                      ProbeCase{"NoValue", Stored::NoValue, L"", 0, kCouldNotQuery},
                      ProbeCase{"NoKey", Stored::NoKey, L"", 0, kCouldNotOpen}),
    [](const ::testing::TestParamInfo<ProbeCase>& info) { return info.param.name; });

REGSAM asked;
LONG WINAPI RecordOpen(HKEY root, LPCWSTR path, DWORD options, REGSAM access, PHKEY key) {
    asked = access;
    return ::RegOpenKeyExW(root, path, options, access, key);
}
int closed;
LONG WINAPI RecordClose(HKEY key) {
    ++closed;
    return ::RegCloseKey(key);
}

TEST(InPinProcessKey, OpensTheKeyForQueryingOnlyInTheDefaultView) {
    ApiRestore restore;
    api().RegOpenKeyExW = RecordOpen;
    closed = 0;
    api().RegCloseKey = RecordClose;
    SetRegistryString(HKEY_LOCAL_MACHINE, kSetupStateKey, L"ImageState", L"IMAGE_STATE_COMPLETE", 0);
    EXPECT_EQ(InPinProcess(), 0);
    EXPECT_EQ(asked, static_cast<REGSAM>(KEY_QUERY_VALUE));
    EXPECT_EQ(closed, 1);
    DeleteRegistryTree(HKEY_LOCAL_MACHINE, kSetupStateKey, 0);
}

}  // namespace
