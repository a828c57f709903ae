#include "control_panel_keys.h"

#include "test_support.h"

namespace {

struct TopKey {
    HKEY hive;
    const wchar_t* path;
    const char* name;
};
const TopKey kTopKeys[] = {
    {HKEY_CLASSES_ROOT, kControlPanelClassKey, "the class key"},
    {HKEY_LOCAL_MACHINE, kControlPanelNameSpaceKey, "the name-space key"},
};

testing::AssertionResult ControlPanelKeysAre(bool present) {
    std::string wrong;
    for (const TopKey& key : kTopKeys) {
        if (RegistryKeyExists(key.hive, key.path, KEY_WOW64_64KEY) != present) wrong += std::string(" ") + key.name;
    }
    if (wrong.empty()) return testing::AssertionSuccess();
    return testing::AssertionFailure() << (present ? "missing:" : "left behind:") << wrong;
}

}  // namespace

testing::AssertionResult ControlPanelKeysPresent() { return ControlPanelKeysAre(true); }
testing::AssertionResult ControlPanelKeysAbsent() { return ControlPanelKeysAre(false); }

void RemoveControlPanelKeys() {
    for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
        for (const TopKey& key : kTopKeys) DeleteRegistryTree(key.hive, key.path, view);
    }
}

LONG WINAPI DenyEveryKey(HKEY, LPCWSTR, DWORD, LPWSTR, DWORD, REGSAM, LPSECURITY_ATTRIBUTES, PHKEY key, LPDWORD) {
    *key = nullptr;
    return ERROR_ACCESS_DENIED;
}
