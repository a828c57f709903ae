#include "cpl/control_panel_item.h"

// Not built yet: there is nothing to delete.
void DeleteRegKeyForControlPanel() {}
