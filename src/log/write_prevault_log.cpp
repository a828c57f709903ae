#include "log/log_writer_steps.h"
#include "log/setup_log.h"

int WritePrevaultLog(const char* message) {
    // The Prevault log is kept only on machines that already have its folder.
    LogFolder folder(prevaultLogRun);
    if (!OpenPrevaultLogFolder(folder)) return 0;
    return AppendLogEntry(folder, message);
}
