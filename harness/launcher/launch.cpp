// launch.exe LINE-FILE [APPLICATION]
// Runs the raw command line held in LINE-FILE (UTF-8, one line; Wine would
// re-quote it if it came through argv) and prints the program's real exit code.
#include <stdio.h>
#include <windows.h>

#include <string>

#include "command_line_file.h"
#include "run_process.h"

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: launch.exe LINE-FILE [APPLICATION]\n");
        return 2;
    }
    std::wstring line;
    if (!ReadCommandLineFile(argv[1], &line)) {
        fprintf(stderr, "launch.exe: cannot read %ls\n", argv[1]);
        return 2;
    }

    DWORD exitCode = 0;
    if (!RunProcess(argc > 2 ? argv[2] : nullptr, line.c_str(), &exitCode)) {
        fprintf(stderr, "launch.exe: cannot start the program (error %lu)\n", GetLastError());
        return 2;
    }
    printf("%lu\n", exitCode);
    return 0;
}
