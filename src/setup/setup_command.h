#pragma once
// The setup driver: recognises the command-line tail and runs a flow.
#include "platform/windows.h"

enum class SetupCommand { None, Install, Uninstall };

constexpr int kExitSuccess = 0;
constexpr int kExitInstallFailure = 1603;  // ERROR_INSTALL_FAILURE, read by the installer

// What the runtime start-up leaves of a full command line: the program name
// (blank-delimited, a double quote toggling the quoted state) and the
// characters 1 to 0x20 after it are skipped.
const wchar_t* CommandLineTail(const wchar_t* commandLine);

SetupCommand RecognizeCommand(const wchar_t* tail);

// Runs the flow that the tail names; returns the process exit code.
int RunSetupCommand(const wchar_t* tail);

int RunInstall();
int RunUninstall();

// The refusal's system-modal message box, or in session 0, where nobody sees
// a window, the same message sent to the console session without waiting.
void ShowRefusalMessage();

// Windows' SetDefaultDllDirectories, looked up at run time: Windows Vista or 7
// without its security update lacks it, and with it the LOAD_LIBRARY_SEARCH_
// flags of LoadLibraryExW. Null there.
using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
SetDefaultDllDirectoriesFn FindSetDefaultDllDirectories();
