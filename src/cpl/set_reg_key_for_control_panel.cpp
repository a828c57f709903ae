#include "cpl/control_panel_item.h"

// Not built yet: reports that no key was created.
int SetRegKeyForControlPanel() { return 0; }
