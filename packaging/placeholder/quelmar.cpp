// Stands in for the product's executable in the sample package: the logon
// task and the Control Panel item name it; it does nothing.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) { return 0; }
