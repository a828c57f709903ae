#pragma once
// The logon task "Tarvo Quelmar Start at Logon" in \Tarvolund\Tarvo Quelmar.

// What both operations return, fixed by the installer's contract: 0 is
// success here, unlike for the Control Panel item.
constexpr int kTaskSchedulerSucceeded = 0;
constexpr int kTaskSchedulerFailed = 1;

// Succeeded when the task was registered, failed when a step that ends the
// registration failed.
int AddTaskScheduler();

// Succeeded when the removal ended without a logged failure, failed otherwise.
int DeleteTaskScheduler();
