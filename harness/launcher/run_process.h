#pragma once
#include <windows.h>

// Starts a program with exactly this command line (CreateProcessW, the
// application name taken from the line when application is null), waits for
// it and returns true with its full exit code, which Wine otherwise cuts to 8 bits.
bool RunProcess(const wchar_t* application, const wchar_t* commandLine, DWORD* exitCode);
