#include "log/log_writer_steps.h"
#include "log/setup_log.h"
#include "platform/steps.h"

int WriteSetupLog(const char* message) {
    IGNORE_RESULT(CreateSetupLogFolder());  // a missing level fails the open below

    // Without the application-data folder, with a path too long for its
    // buffer, or with a level that fails its check, the entry is dropped
    // rather than written somewhere else.
    LogFolder folder(setupLogRun);
    if (!OpenSetupLogFolder(folder, false)) return 0;
    return AppendLogEntry(folder, message);
}
