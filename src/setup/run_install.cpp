#include "bios/bios_interface.h"
#include "cpl/control_panel_item.h"
#include "log/in_pin_process.h"
#include "log/setup_log.h"
#include "platform/owners.h"
#include "platform/steps.h"
#include "setup/setup_command.h"
#include "setup/setup_messages.h"
#include "task/logon_task.h"

namespace {

// The platform supports the product when bit 0 of answer byte 0 is set.
bool Supported(const BYTE answer[4]) { return (answer[0] & 0x01) != 0; }

int InstallOnSupportedMachine() {
    IGNORE_RESULT(SetRegKeyForControlPanel());  // the install goes on without the Control Panel item
    if (AddTaskScheduler() == kTaskSchedulerSucceeded) {
        WritePrevaultLog(kInstallCompleted);
        return kExitSuccess;
    }
    LogMessage(kInstallTaskFailed);
    return kExitInstallFailure;
}

int RefuseInstall() {
    LogMessage(kInstallNotSupported);
    // No message box while Windows is still being imaged: nobody is there to close it.
    if (InPinProcess() == kNotImaging) ShowRefusalMessage();
    return kExitInstallFailure;
}

}  // namespace

int RunInstall() {
    BYTE data[4] = {};
    BYTE answer[4] = {};
    BiosInterface bios = {};

    ComApartment com;
    IGNORE_RESULT(com.enter());  // the firmware is asked whether or not the apartment was entered
    // A failed read leaves the answer zeroed: the machine counts as not supported.
    IGNORE_RESULT(bios.Call(kBiosReadCommand, data, answer));
    com.reset();

    int exitCode = Supported(answer) ? InstallOnSupportedMachine() : RefuseInstall();
    bios.ReleaseAll();
    return exitCode;
}
