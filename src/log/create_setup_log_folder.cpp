#include "log/log_paths.h"
#include "log/setup_log.h"

int CreateSetupLogFolder() {
    LogFolder folder;
    return OpenSetupLogFolder(folder, true) ? 1 : 0;
}
