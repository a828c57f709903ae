#pragma once
// The product's Control Panel item, in the 64-bit registry view.

// 1 when all four keys were created and their values written, 0 otherwise.
int SetRegKeyForControlPanel();

// Deletes the six keys, deepest first; results ignored, nothing logged.
void DeleteRegKeyForControlPanel();
