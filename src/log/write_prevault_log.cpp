#include "log/log_paths.h"
#include "log/setup_log.h"

int WritePrevaultLog(const char* message) {
    // The Prevault log is kept only on machines that already have its folder.
    if (!PathPresent(kPrevaultLogFolder)) return 0;
    return AppendLogEntry(kPrevaultLogFile, message);
}
