#include "task/logon_task.h"

// Not built yet: reports the failure of a registration.
int AddTaskScheduler() { return 1; }
