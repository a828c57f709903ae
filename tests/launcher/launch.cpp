// launch.exe LINE-FILE [APPLICATION]
// Runs the raw command line held in LINE-FILE (UTF-8, one line; Wine would
// re-quote it if it came through argv) and prints the program's real exit code.
#include <stdio.h>
#include <windows.h>

#include <string>

#include "run_process.h"

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: launch.exe LINE-FILE [APPLICATION]\n");
        return 2;
    }
    FILE* file = _wfopen(argv[1], L"rb");
    if (!file) {
        fprintf(stderr, "launch.exe: cannot read %ls\n", argv[1]);
        return 2;
    }
    std::string utf8;
    char chunk[4096];
    for (size_t n; (n = fread(chunk, 1, sizeof chunk, file)) > 0;) utf8.append(chunk, n);
    fclose(file);
    while (!utf8.empty() && (utf8.back() == '\n' || utf8.back() == '\r')) utf8.pop_back();

    std::wstring line(utf8.size() + 1, L'\0');
    int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &line[0],
                                     static_cast<int>(line.size()));
    line.resize(length);

    DWORD exitCode = 0;
    if (!RunProcess(argc > 2 ? argv[2] : nullptr, line.c_str(), &exitCode)) {
        fprintf(stderr, "launch.exe: cannot start the program (error %lu)\n", GetLastError());
        return 2;
    }
    printf("%lu\n", exitCode);
    return 0;
}
