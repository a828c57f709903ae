#include "control_panel_test_support.h"

#include <stdlib.h>

const ExpectedKey kExpectedKeys[4] = {
    {HKEY_CLASSES_ROOT, kControlPanelClassKey},
    {HKEY_CLASSES_ROOT, kControlPanelIconKey},
    {HKEY_CLASSES_ROOT, kControlPanelCommandKey},
    {HKEY_LOCAL_MACHINE, kControlPanelNameSpaceKey},
};

std::vector<ExpectedValue> ExpectedValues(const std::wstring& programFiles) {
    const std::wstring exe = programFiles + L"\\Tarvolund\\Tarvo Quelmar\\Quelmar.exe";
    return {
        // #  key name                              data
        // clang-format off
        {1, 0, L"",                             L"Tarvo Quelmar"},
        {2, 0, L"InfoTip",                      L"@" + exe + L",-115"},
        {3, 0, L"LocalizedString",              L"@" + exe + L",-106"},
        {4, 0, L"System.ApplicationName",       L"Tarvo.Quelmar"},
        {5, 0, L"System.ControlPanel.Category", L"2"},
        {6, 1, L"",                             exe + L",-101"},
        {7, 2, L"",                             L"\"" + exe + L"\""},
        {8, 3, L"",                             L"Tarvo Quelmar"},
        // clang-format on
    };
}

std::vector<BYTE> StringBytes(const std::wstring& text) {
    const BYTE* bytes = reinterpret_cast<const BYTE*>(text.c_str());
    return std::vector<BYTE>(bytes, bytes + (text.size() + 1) * sizeof(wchar_t));
}

bool Is64BitWindows() {
    BOOL wow64 = FALSE;
    IsWow64Process(GetCurrentProcess(), &wow64);
    return wow64 != FALSE;
}

bool PrefixIs32BitWindows() { return getenv("QUELMAR_PREFIX_WIN32") != nullptr; }

std::wstring ExpectedProgramFilesFolder() {
    return PrefixIs32BitWindows() ? L"C:\\Program Files" : L"C:\\Program Files (x86)";
}

bool KeyExists64(HKEY hive, const std::wstring& path) { return RegistryKeyExists(hive, path, KEY_WOW64_64KEY); }

void ExpectValueStored(HKEY hive, const std::wstring& path, const ExpectedValue& value) {
    DWORD type = 0;
    std::vector<BYTE> data;
    ASSERT_TRUE(ReadRegistryValue(hive, path, value.name, KEY_WOW64_64KEY, &type, &data))
        << "value " << value.number << " \"" << ToUtf8(value.name) << "\" under " << ToUtf8(path);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ)) << "value " << value.number;
    EXPECT_EQ(data, StringBytes(value.data))
        << "value " << value.number << " should be \"" << ToUtf8(value.data) << "\"";
}

void ExpectValueAbsent(HKEY hive, const std::wstring& path, const std::wstring& name) {
    DWORD type = 0;
    std::vector<BYTE> data;
    EXPECT_FALSE(ReadRegistryValue(hive, path, name, KEY_WOW64_64KEY, &type, &data))
        << "\"" << ToUtf8(name) << "\" under " << ToUtf8(path);
}

void CleanRegistry::Clean() {
    RemoveControlPanelKeys();
    DeleteFileW(SetupLogPath().c_str());
}
