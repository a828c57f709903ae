#pragma once

// 1 while Windows is still in its imaging phase (its setup state is readable
// and is not IMAGE_STATE_COMPLETE); 0 otherwise, also when it cannot be read.
int InPinProcess();
