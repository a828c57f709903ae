#include "bios/bios_interface.h"
#include "cpl/control_panel_item.h"
#include "platform/owners.h"
#include "platform/steps.h"
#include "setup/setup_command.h"
#include "task/logon_task.h"

int RunUninstall() {
    BYTE data[4] = {};
    BYTE answer[4] = {};
    BiosInterface bios = {};

    ComApartment com;
    IGNORE_RESULT(com.enter());  // the firmware is asked whether or not the apartment was entered
    // Without a successful read there is nothing to write back: writing zeros
    // would clear bytes of the firmware setting that were never read.
    if (SUCCEEDED(bios.Call(kBiosReadCommand, data, answer))) {
        BYTE writeBack[4] = {answer[0], 0x00, 0x00, answer[3]};
        BYTE ignored[4] = {};
        IGNORE_RESULT(bios.Call(kBiosWriteCommand, writeBack, ignored));  // nothing is left to do about it
    }
    com.reset();

    // The uninstall goes on, and ends with success, whatever is left behind.
    DeleteRegKeyForControlPanel();
    IGNORE_RESULT(DeleteTaskScheduler());
    bios.ReleaseAll();
    return kExitSuccess;
}
