#include "setup/setup_command.h"

int RunSetupCommand(const wchar_t* tail) {
    switch (RecognizeCommand(tail)) {
    case SetupCommand::Install:
        return RunInstall();
    case SetupCommand::Uninstall:
        return RunUninstall();
    case SetupCommand::None:
        break;
    }
    return kExitSuccess;
}
