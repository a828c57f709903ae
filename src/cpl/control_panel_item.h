#pragma once
// The product's Control Panel item, in the 64-bit registry view.

// What SetRegKeyForControlPanel returns, fixed by the installer's contract:
// 1 is success here, unlike for the logon task.
constexpr int kControlPanelItemSet = 1;
constexpr int kControlPanelItemNotSet = 0;

// Set when all four keys were created and their values written, not set otherwise.
int SetRegKeyForControlPanel();

// Deletes the six keys, deepest first; results ignored, nothing logged.
void DeleteRegKeyForControlPanel();
