#pragma once

// What InPinProcess returns, fixed by the installer's contract: 1 while
// Windows is still in its imaging phase (its setup state is readable and is
// not IMAGE_STATE_COMPLETE); 0 otherwise, also when it cannot be read.
constexpr int kStillImaging = 1;
constexpr int kNotImaging = 0;

int InPinProcess();
