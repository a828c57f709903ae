#include "log/bounded_format.h"
#include "log/setup_log.h"

void LogMessage(const char* message) {
    WriteSetupLog(message);
    WritePrevaultLog(message);
}

void LogHresult(const char* format, long hr) {
    char message[512];
    BoundedFormat(message, sizeof message, format, static_cast<unsigned int>(hr));
    LogMessage(message);
}
