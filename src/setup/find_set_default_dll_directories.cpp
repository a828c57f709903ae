#include "platform/api.h"
#include "setup/setup_command.h"

SetDefaultDllDirectoriesFn FindSetDefaultDllDirectories() {
    HMODULE kernel32 = api().GetModuleHandleW(L"kernel32.dll");
    if (!kernel32) return nullptr;
    return reinterpret_cast<SetDefaultDllDirectoriesFn>(
        reinterpret_cast<void*>(api().GetProcAddress(kernel32, "SetDefaultDllDirectories")));
}
