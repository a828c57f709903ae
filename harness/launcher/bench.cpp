// bench.exe REPEAT LINE-FILE...
// Runs the raw command lines (one per file, UTF-8, as for launch.exe) in turn,
// REPEAT rounds, and prints for each its exit codes (each code that a run gave,
// comma-separated, in the order first seen: "0" when every run exited 0) and
// the mean, minimum, maximum and standard deviation of the wall-clock time of
// one run in milliseconds, tab-separated.
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "command_line_file.h"
#include "run_process.h"

int wmain(int argc, wchar_t** argv) {
    const int repeat = argc < 3 ? 0 : _wtoi(argv[1]);
    if (repeat < 1) {
        fprintf(stderr, "usage: bench.exe REPEAT LINE-FILE... (REPEAT at least 1)\n");
        return 2;
    }
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    const int count = argc - 2;
    std::vector<std::wstring> lines(count);
    for (int i = 0; i < count; ++i) {
        if (!ReadCommandLineFile(argv[i + 2], &lines[i])) {
            fprintf(stderr, "bench.exe: cannot read %ls\n", argv[i + 2]);
            return 2;
        }
    }
    std::vector<std::vector<double>> times(count);
    std::vector<std::vector<DWORD>> exitCodes(count);
    for (int round = 0; round < repeat; ++round) {
        for (int i = 0; i < count; ++i) {
            LARGE_INTEGER start, end;
            DWORD exitCode = 0;
            QueryPerformanceCounter(&start);
            if (!RunProcess(nullptr, lines[i].c_str(), &exitCode)) {
                fprintf(stderr, "bench.exe: cannot start %ls\n", lines[i].c_str());
                return 2;
            }
            QueryPerformanceCounter(&end);
            times[i].push_back(1000.0 * (end.QuadPart - start.QuadPart) / frequency.QuadPart);
            std::vector<DWORD>& seen = exitCodes[i];
            if (std::find(seen.begin(), seen.end(), exitCode) == seen.end()) seen.push_back(exitCode);
        }
    }
    for (int i = 0; i < count; ++i) {
        double sum = 0;
        for (double t : times[i]) sum += t;
        const double mean = sum / times[i].size();
        double squares = 0;
        for (double t : times[i]) squares += (t - mean) * (t - mean);
        printf("%ls\t", argv[i + 2]);
        for (size_t c = 0; c < exitCodes[i].size(); ++c) printf(c ? ",%lu" : "%lu", exitCodes[i][c]);
        printf("\t%.1f\t%.1f\t%.1f\t%.2f\n", mean, *std::min_element(times[i].begin(), times[i].end()),
               *std::max_element(times[i].begin(), times[i].end()),
               times[i].size() > 1 ? sqrt(squares / (times[i].size() - 1)) : 0.0);
    }
    return 0;
}
