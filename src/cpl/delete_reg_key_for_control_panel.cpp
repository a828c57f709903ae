#include "cpl/control_panel_item.h"
#include "cpl/control_panel_table.h"
#include "platform/api.h"
#include "platform/steps.h"

void DeleteRegKeyForControlPanel() {
    // A key that another program added children to stays, and so do the keys
    // above it: the results do not matter to the uninstall.
    for (const RegistryKeyPath& key : kControlPanelDeletions) {
        IGNORE_RESULT(api().RegDeleteKeyExW(key.hive, key.path, kControlPanelAccess, 0));
    }
}
