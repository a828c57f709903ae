#include "platform/api.h"
#include "setup/setup_command.h"

namespace {

// The program runs elevated from a folder others may write to: DLLs are
// loaded from System32 only, where Windows can be told so. Where it cannot
// (Vista, Windows 7 without its update), the current folder at least is taken
// out of the search.
void RestrictDllSearchToSystem32() {
    if (SetDefaultDllDirectoriesFn setDefault = FindSetDefaultDllDirectories())
        setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
    else
        api().SetDllDirectoryW(L"");
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR tail, int) {
    RestrictDllSearchToSystem32();
    return RunSetupCommand(tail);
}

// The program's start-up, in place of the C runtime's: the program uses
// nothing that the runtime's prepares (parsed arguments, stdio, thread-local
// data, floating point, exit handlers), and leaving it out keeps the file
// small. The tail is the one the runtime's start-up would pass; the exit code
// goes to Windows as it is.
extern "C" void QuelmarSetupStart() {
    PWSTR tail = const_cast<PWSTR>(CommandLineTail(GetCommandLineW()));
    ExitProcess(static_cast<UINT>(wWinMain(GetModuleHandleW(nullptr), nullptr, tail, SW_SHOWDEFAULT)));
}
