// The Control Panel item against the real registry of the test prefix.
#include "control_panel_test_support.h"
#include "cpl/control_panel_item.h"

namespace {

void ExpectAllValuesStored(const std::wstring& programFiles) {
    for (const ExpectedValue& value : ExpectedValues(programFiles)) {
        const ExpectedKey& key = kExpectedKeys[value.key];
        ExpectValueStored(key.hive, key.path, value);
    }
}

void ExpectClassKeyValuesStored(const std::wstring& programFiles) {
    for (const ExpectedValue& value : ExpectedValues(programFiles)) {
        if (value.key == 0) ExpectValueStored(HKEY_CLASSES_ROOT, kControlPanelClassKey, value);
    }
}

class ControlPanelRegistration : public CleanRegistry {};

TEST_F(ControlPanelRegistration, UsesTheProgramFilesFolderOf32BitPrograms) {
    ASSERT_EQ(SetRegKeyForControlPanel(), 1);
    const std::wstring exe = ExpectedProgramFilesFolder() + L"\\Tarvolund\\Tarvo Quelmar\\Quelmar.exe";
    ExpectValueStored(HKEY_CLASSES_ROOT, kControlPanelClassKey, {3, 0, L"LocalizedString", L"@" + exe + L",-106"});
}

void ExpectAllKeysIn64BitView() {
    for (const ExpectedKey& key : kExpectedKeys) EXPECT_TRUE(KeyExists64(key.hive, key.path)) << ToUtf8(key.path);
    EXPECT_TRUE(KeyExists64(HKEY_CLASSES_ROOT, kControlPanelShellKey));
    EXPECT_TRUE(KeyExists64(HKEY_CLASSES_ROOT, kControlPanelOpenKey));
}

TEST_F(ControlPanelRegistration, WritesTheKeysInThe64BitViewOn64BitWindows) {
    ASSERT_TRUE(Is64BitWindows()) << "the test prefix should be 64-bit Windows";
    EXPECT_EQ(SetRegKeyForControlPanel(), 1);
    ExpectAllKeysIn64BitView();
    EXPECT_TRUE(RegistryKeyExists(HKEY_LOCAL_MACHINE, std::wstring(L"SOFTWARE\\Classes\\") + kControlPanelClassKey,
                                  KEY_WOW64_64KEY));
    // Not redirected to the view that 32-bit programs see.
    EXPECT_FALSE(RegistryKeyExists(HKEY_CLASSES_ROOT, kControlPanelClassKey, KEY_WOW64_32KEY));
    EXPECT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Classes\\Wow6432Node\\CLSID\\" CONTROL_PANEL_GUID,
                                   KEY_WOW64_64KEY));
    EXPECT_EQ(SetupLog(), "");
}

TEST_F(ControlPanelRegistration, WritesTheKeysInTheOnlyViewOn32BitWindows) {
    if (!PrefixIs32BitWindows()) GTEST_SKIP() << "runs in the 32-bit prefix of cpl.win32";
    ASSERT_FALSE(Is64BitWindows()) << "the 32-bit prefix should be 32-bit Windows";
    EXPECT_EQ(SetRegKeyForControlPanel(), 1);
    // The view flag has no effect: the keys are where every program looks.
    ExpectAllKeysIn64BitView();
    for (const ExpectedKey& key : kExpectedKeys) {
        EXPECT_TRUE(RegistryKeyExists(key.hive, key.path, 0)) << ToUtf8(key.path);
    }
    EXPECT_EQ(SetupLog(), "");
}

TEST_F(ControlPanelRegistration, StoresEachValueAsTextWithItsTerminatingNull) {
    ASSERT_EQ(SetRegKeyForControlPanel(), 1);
    ExpectAllValuesStored(ExpectedProgramFilesFolder());
}

TEST_F(ControlPanelRegistration, QuotesTheCommandButNotTheResourceReferences) {
    ASSERT_EQ(SetRegKeyForControlPanel(), 1);
    const std::wstring exe = ExpectedProgramFilesFolder() + L"\\Tarvolund\\Tarvo Quelmar\\Quelmar.exe";
    ExpectValueStored(HKEY_CLASSES_ROOT, kControlPanelCommandKey, {7, 2, L"", L"\"" + exe + L"\""});
    ExpectValueStored(HKEY_CLASSES_ROOT, kControlPanelClassKey, {2, 0, L"InfoTip", L"@" + exe + L",-115"});
    ExpectValueStored(HKEY_CLASSES_ROOT, kControlPanelIconKey, {6, 1, L"", exe + L",-101"});
}

TEST_F(ControlPanelRegistration, InstallingTwiceReplacesItsValuesAndKeepsOthers) {
    ASSERT_EQ(SetRegKeyForControlPanel(), 1);
    for (const ExpectedKey& key : kExpectedKeys) {
        SetRegistryString(key.hive, key.path, L"AddedByAnother", L"kept", KEY_WOW64_64KEY);
    }
    SetRegistryString(HKEY_CLASSES_ROOT, kControlPanelClassKey, L"InfoTip", L"stale", KEY_WOW64_64KEY);

    EXPECT_EQ(SetRegKeyForControlPanel(), 1);
    ExpectAllValuesStored(ExpectedProgramFilesFolder());
    for (const ExpectedKey& key : kExpectedKeys) {
        ExpectValueStored(key.hive, key.path, {0, 0, L"AddedByAnother", L"kept"});
    }
    EXPECT_EQ(SetupLog(), "");
}

class ControlPanelRemoval : public CleanRegistry {};

TEST_F(ControlPanelRemoval, DeletesAllSixKeys) {
    ASSERT_EQ(SetRegKeyForControlPanel(), 1);
    DeleteRegKeyForControlPanel();
    for (const wchar_t* path : {kControlPanelIconKey, kControlPanelCommandKey, kControlPanelOpenKey,
                                kControlPanelShellKey, kControlPanelClassKey}) {
        EXPECT_FALSE(KeyExists64(HKEY_CLASSES_ROOT, path)) << ToUtf8(path);
    }
    EXPECT_FALSE(KeyExists64(HKEY_LOCAL_MACHINE, kControlPanelNameSpaceKey));
    EXPECT_FALSE(FileExists(SetupLogPath()));
}

TEST_F(ControlPanelRemoval, WhenNothingIsThereCreatesAndLogsNothing) {
    DeleteRegKeyForControlPanel();
    EXPECT_FALSE(KeyExists64(HKEY_CLASSES_ROOT, kControlPanelClassKey));
    EXPECT_FALSE(KeyExists64(HKEY_LOCAL_MACHINE, kControlPanelNameSpaceKey));
    EXPECT_FALSE(FileExists(SetupLogPath()));
}

// Another program's subkey keeps the key it sits in and every key above it.
struct ForeignSubkeyCase {
    const char* name;
    const wchar_t* parent;
    std::vector<const wchar_t*> kept;
    std::vector<const wchar_t*> deleted;
};

void PrintTo(const ForeignSubkeyCase& c, std::ostream* os) { *os << c.name; }

class ControlPanelRemovalWithForeignSubkey : public CleanRegistry,
                                             public testing::WithParamInterface<ForeignSubkeyCase> {};

TEST_P(ControlPanelRemovalWithForeignSubkey, KeepsThatKeyAndTheKeysAboveIt) {
    const ForeignSubkeyCase& c = GetParam();
    ASSERT_EQ(SetRegKeyForControlPanel(), 1);
    SetRegistryString(HKEY_CLASSES_ROOT, std::wstring(c.parent) + L"\\Foreign", L"", L"theirs", KEY_WOW64_64KEY);

    DeleteRegKeyForControlPanel();

    for (const wchar_t* path : c.kept) EXPECT_TRUE(KeyExists64(HKEY_CLASSES_ROOT, path)) << ToUtf8(path);
    for (const wchar_t* path : c.deleted) EXPECT_FALSE(KeyExists64(HKEY_CLASSES_ROOT, path)) << ToUtf8(path);
    ExpectValueStored(HKEY_CLASSES_ROOT, std::wstring(c.parent) + L"\\Foreign", {0, 0, L"", L"theirs"});
    ExpectClassKeyValuesStored(ExpectedProgramFilesFolder());
    EXPECT_FALSE(KeyExists64(HKEY_LOCAL_MACHINE, kControlPanelNameSpaceKey));
    EXPECT_FALSE(FileExists(SetupLogPath()));
}

INSTANTIATE_TEST_SUITE_P(
    Subkeys, ControlPanelRemovalWithForeignSubkey,
    testing::Values(
        //               name         parent        kept                                 deleted
        // clang-format off
        ForeignSubkeyCase{"ClassKey", kControlPanelClassKey, {kControlPanelClassKey},                                               {kControlPanelIconKey, kControlPanelShellKey, kControlPanelOpenKey, kControlPanelCommandKey}},
        ForeignSubkeyCase{"Shell",    kControlPanelShellKey, {kControlPanelClassKey, kControlPanelShellKey},                        {kControlPanelIconKey, kControlPanelOpenKey, kControlPanelCommandKey}},
        ForeignSubkeyCase{"Open",     kControlPanelOpenKey,  {kControlPanelClassKey, kControlPanelShellKey, kControlPanelOpenKey}, {kControlPanelIconKey, kControlPanelCommandKey}}),
    // clang-format on
    [](const testing::TestParamInfo<ForeignSubkeyCase>& info) { return std::string(info.param.name); });

}  // namespace
