#include "cpl/control_panel_table.h"

// clang-format off
const ControlPanelKey kControlPanelKeys[kControlPanelKeyCount] = {
    // hive             key path
    {HKEY_CLASSES_ROOT, L"CLSID\\{5C1E7B30-9A42-4F6D-8E15-2B7D903AC6E4}",
     "SetRegKeyForControlPanel(): Could not create HKEY_CLASSES_ROOT\\CLSID\\{5C1E7B30-9A42-4F6D-8E15-2B7D903AC6E4}\n"},
    {HKEY_CLASSES_ROOT, L"CLSID\\{5C1E7B30-9A42-4F6D-8E15-2B7D903AC6E4}\\DefaultIcon",
     "SetRegKeyForControlPanel(): Could not create HKEY_CLASSES_ROOT\\CLSID\\{5C1E7B30-9A42-4F6D-8E15-2B7D903AC6E4}\\DefaultIcon\n"},
    {HKEY_CLASSES_ROOT, L"CLSID\\{5C1E7B30-9A42-4F6D-8E15-2B7D903AC6E4}\\Shell\\Open\\Command",
     "SetRegKeyForControlPanel(): Could not create HKEY_CLASSES_ROOT\\CLSID\\{5C1E7B30-9A42-4F6D-8E15-2B7D903AC6E4}\\Shell\\Open\\Command\n"},
    {HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ControlPanel\\NameSpace\\{5C1E7B30-9A42-4F6D-8E15-2B7D903AC6E4}",
     "SetRegKeyForControlPanel(): Could not create HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ControlPanel\\NameSpace\\{5C1E7B30-9A42-4F6D-8E15-2B7D903AC6E4}\n"},
};
// clang-format on

// Every value is REG_SZ. The command is quoted because the Program Files path
// has blanks; the resource references stay bare, as the shell reads them.
// clang-format off
const ControlPanelValue kControlPanelValues[kControlPanelValueCount] = {
    // key         name                              data
    {kClassKey,     L"",                             kText,   L"Tarvo Quelmar"},
    {kClassKey,     L"InfoTip",                      kFormat, L"@%s\\Tarvolund\\Tarvo Quelmar\\Quelmar.exe,-115"},
    {kClassKey,     L"LocalizedString",              kFormat, L"@%s\\Tarvolund\\Tarvo Quelmar\\Quelmar.exe,-106"},
    {kClassKey,     L"System.ApplicationName",       kText,   L"Tarvo.Quelmar"},
    {kClassKey,     L"System.ControlPanel.Category", kText,   L"2"},
    {kIconKey,      L"",                             kFormat, L"%s\\Tarvolund\\Tarvo Quelmar\\Quelmar.exe,-101"},
    {kCommandKey,   L"",                             kFormat, L"\"%s\\Tarvolund\\Tarvo Quelmar\\Quelmar.exe\""},
    {kNameSpaceKey, L"",                             kText,   L"Tarvo Quelmar"},
};
// clang-format on

// clang-format off
const RegistryKeyPath kControlPanelDeletions[kControlPanelDeletionCount] = {
    // hive              key deleted
    {HKEY_CLASSES_ROOT,  L"CLSID\\{5C1E7B30-9A42-4F6D-8E15-2B7D903AC6E4}\\DefaultIcon"},
    {HKEY_CLASSES_ROOT,  L"CLSID\\{5C1E7B30-9A42-4F6D-8E15-2B7D903AC6E4}\\Shell\\Open\\Command"},
    {HKEY_CLASSES_ROOT,  L"CLSID\\{5C1E7B30-9A42-4F6D-8E15-2B7D903AC6E4}\\Shell\\Open"},
    {HKEY_CLASSES_ROOT,  L"CLSID\\{5C1E7B30-9A42-4F6D-8E15-2B7D903AC6E4}\\Shell"},
    {HKEY_CLASSES_ROOT,  L"CLSID\\{5C1E7B30-9A42-4F6D-8E15-2B7D903AC6E4}"},
    {HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ControlPanel\\NameSpace\\{5C1E7B30-9A42-4F6D-8E15-2B7D903AC6E4}"},
};
// clang-format on
