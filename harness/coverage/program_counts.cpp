// Linked into QuelmarSetup.exe by coverage builds only. The program starts at
// its own entry and leaves by ExitProcess: no constructor runs, so gcov never
// learns of its counters, and no exit handler runs, so nothing writes them.
// The loader calls the program's TLS callbacks before its entry: this one runs
// the constructors and routes the program's calls of ExitProcess through a
// function that writes the counters first. (Windows would call it again inside
// ExitProcess; Wine 8 does not.)
#include <windows.h>

extern "C" void (*__CTOR_LIST__[])();  // the linker's list of constructors: -1, each one, 0
extern "C" void __gcov_dump();         // writes every registered counter to its .gcda file
// The program's import slot for ExitProcess, which its calls go through.
extern "C" decltype(&ExitProcess) exitProcessImport __asm__("__imp__ExitProcess@4");

namespace {

decltype(&ExitProcess) windowsExitProcess;

void WINAPI WriteCountsThenExitProcess(UINT exitCode) {
    __gcov_dump();
    windowsExitProcess(exitCode);
}

void NTAPI RegisterCounts(PVOID, DWORD reason, PVOID) {
    if (reason != DLL_PROCESS_ATTACH) return;
    // Not through the runtime's __main: it also registers an exit handler with
    // atexit, which comes with the start-up that the program leaves out.
    for (auto constructor = __CTOR_LIST__ + 1; *constructor; ++constructor) (*constructor)();
    windowsExitProcess = exitProcessImport;
    exitProcessImport = WriteCountsThenExitProcess;
}

}  // namespace

// Listed among the runtime's TLS callbacks (its TLS directory, _tls_used).
extern "C" __attribute__((section(".CRT$XLY"), used)) const PIMAGE_TLS_CALLBACK quelmar_coverage_callback =
    RegisterCounts;
