#pragma once
// The product's Control Panel item in the registry, written out here
// independently of the program's own table.
#include <gtest/gtest.h>
#include <windows.h>

// The item goes by this class id. A macro, so that it joins other literals,
// narrow or wide, in the tests' own tables.
#define CONTROL_PANEL_GUID "{5C1E7B30-9A42-4F6D-8E15-2B7D903AC6E4}"

// Under HKEY_CLASSES_ROOT: the class key and the keys below it.
inline constexpr wchar_t kControlPanelClassKey[] = L"CLSID\\" CONTROL_PANEL_GUID;
inline constexpr wchar_t kControlPanelIconKey[] = L"CLSID\\" CONTROL_PANEL_GUID "\\DefaultIcon";
inline constexpr wchar_t kControlPanelShellKey[] = L"CLSID\\" CONTROL_PANEL_GUID "\\Shell";
inline constexpr wchar_t kControlPanelOpenKey[] = L"CLSID\\" CONTROL_PANEL_GUID "\\Shell\\Open";
inline constexpr wchar_t kControlPanelCommandKey[] = L"CLSID\\" CONTROL_PANEL_GUID "\\Shell\\Open\\Command";
// Under HKEY_LOCAL_MACHINE: the item's entry in the Control Panel's name space.
inline constexpr wchar_t kControlPanelNameSpaceKey[] =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ControlPanel\\NameSpace\\" CONTROL_PANEL_GUID;

// The class key and the name-space key in the 64-bit view, each checked on
// its own: the check names every key that is not as expected.
testing::AssertionResult ControlPanelKeysPresent();
testing::AssertionResult ControlPanelKeysAbsent();

// Deletes the item's keys in both views, whatever is below them.
void RemoveControlPanelKeys();

// A RegCreateKeyExW for api() that denies every key: the item is never written.
LONG WINAPI DenyEveryKey(HKEY, LPCWSTR, DWORD, LPWSTR, DWORD, REGSAM, LPSECURITY_ATTRIBUTES, PHKEY key, LPDWORD);
