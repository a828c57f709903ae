#include "log/log_paths.h"
#include "log/setup_log.h"

int CreateSetupLogFolder() {
    LogFolder folder(setupLogRun);
    return OpenSetupLogFolder(folder, true) ? 1 : 0;
}
