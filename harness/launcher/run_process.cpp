#include "run_process.h"

#include <string.h>
#include <wchar.h>

#include <vector>

bool RunProcess(const wchar_t* application, const wchar_t* commandLine, DWORD* exitCode) {
    std::vector<wchar_t> line(commandLine, commandLine + wcslen(commandLine) + 1);
    STARTUPINFOW startup;
    memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    if (!CreateProcessW(application, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        return false;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    BOOL read = GetExitCodeProcess(process.hProcess, exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return read != FALSE;
}
