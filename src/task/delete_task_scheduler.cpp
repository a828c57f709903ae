#include "task/logon_task.h"

// Not built yet: reports the failure of a removal.
int DeleteTaskScheduler() { return 1; }
