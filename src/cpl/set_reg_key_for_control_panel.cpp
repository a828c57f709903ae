#include <wchar.h>

#include "cpl/control_panel_item.h"
#include "cpl/control_panel_table.h"
#include "log/bounded_format.h"
#include "log/steps.h"
#include "platform/owners.h"

namespace {

const char kProgramFilesUnknown[] = "SetRegKeyForControlPanel(): Could not get the Program Files folder\n";

// A value that cannot be written is left out, like the write's own failures.
void WriteValue(HKEY key, const ControlPanelValue& value, const wchar_t* programFiles) {
    wchar_t formatted[MAX_PATH];
    const wchar_t* data = value.data;
    if (value.kind == kFormat) {
        // Cut short, the path would name a file that is not there.
        if (!BoundedFormatW(formatted, MAX_PATH, value.data, programFiles)) return;
        data = formatted;
    }
    // With the terminating null: readers that add none must find it stored.
    const DWORD size = static_cast<DWORD>(wcslen(data) + 1) * DWORD{sizeof(wchar_t)};
    IGNORE_RESULT(api().RegSetValueExW(key, value.name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data), size));
}

}  // namespace

int SetRegKeyForControlPanel() {
    // Without it every path would be wrong: no key is created at all.
    wchar_t programFiles[MAX_PATH] = {};
    RETURN_LOGGED_IF(!api().SHGetSpecialFolderPathW(nullptr, programFiles, CSIDL_PROGRAM_FILES, FALSE),
                     kProgramFilesUnknown, kControlPanelItemNotSet);

    for (int index = 0; index < kControlPanelKeyCount; ++index) {
        const ControlPanelKey& key = kControlPanelKeys[index];
        RegKey handle;
        RETURN_LOGGED_IF(api().RegCreateKeyExW(key.hive, key.path, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                               kControlPanelAccess, nullptr, handle.put(), nullptr) != ERROR_SUCCESS,
                         key.createFailed, kControlPanelItemNotSet);
        for (const ControlPanelValue& value : kControlPanelValues) {
            if (value.key == index) WriteValue(handle.get(), value, programFiles);
        }
    }
    return kControlPanelItemSet;
}
