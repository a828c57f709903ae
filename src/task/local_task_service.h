#pragma once
// How registration and removal reach the Task Scheduler of the local machine.
#include "platform/owners.h"
#include <taskschd.h>

// Sets the process's COM security as the Task Scheduler calls need it.
HRESULT InitializeTaskSchedulerSecurity();

// The in-process Task Scheduler service.
HRESULT CreateTaskService(ITaskService** service);

// Connects to the local machine with the caller's own credentials.
HRESULT ConnectToLocalMachine(ITaskService* service);
