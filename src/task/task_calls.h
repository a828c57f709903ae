#pragma once
// What registration and removal share: the connection to the local Task
// Scheduler, string arguments held in VARIANTs, and the logging of failures.
#include "platform/owners.h"
#include <taskschd.h>

// Makes the VARIANT hold a BSTR copy of text; false when the copy cannot be made.
bool HoldString(Variant& variant, const wchar_t* text);

// Sets the process's COM security as the Task Scheduler calls need it.
HRESULT InitializeTaskSchedulerSecurity();

// The in-process Task Scheduler service.
HRESULT CreateTaskService(ITaskService** service);

// Connects to the local machine with the caller's own credentials.
HRESULT ConnectToLocalMachine(ITaskService* service);

// Logs the message, whose %x takes hr, when hr is a failure; true then.
bool LogIfFailed(HRESULT hr, const char* message);
