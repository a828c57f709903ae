#pragma once
// The product's Control Panel item: its keys, its values and the keys that
// the removal deletes, in the order in which they are used.
#include "platform/windows.h"

// Every key is created and deleted in the 64-bit view, so that this 32-bit
// program reaches the keys the shell reads on 64-bit Windows.
constexpr REGSAM kControlPanelAccess = KEY_ALL_ACCESS | KEY_WOW64_64KEY;

struct ControlPanelKey {
    HKEY hive;
    const wchar_t* path;
    const char* createFailed;  // logged when the key cannot be created
};

// The keys that hold values, in the order in which they are created.
enum ControlPanelKeyIndex { kClassKey, kIconKey, kCommandKey, kNameSpaceKey, kControlPanelKeyCount };
extern const ControlPanelKey kControlPanelKeys[kControlPanelKeyCount];

// A value's data is either written as it stands or is a format whose one %s
// takes the Program Files folder.
enum ValueData { kText, kFormat };

struct ControlPanelValue {
    ControlPanelKeyIndex key;
    const wchar_t* name;  // empty: the key's default value
    ValueData kind;
    const wchar_t* data;
};
constexpr int kControlPanelValueCount = 8;
extern const ControlPanelValue kControlPanelValues[kControlPanelValueCount];

struct RegistryKeyPath {
    HKEY hive;
    const wchar_t* path;
};

// Deepest key first: nothing is deleted recursively.
constexpr int kControlPanelDeletionCount = 6;
extern const RegistryKeyPath kControlPanelDeletions[kControlPanelDeletionCount];
