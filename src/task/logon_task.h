#pragma once
// The logon task "Tarvo Quelmar Start at Logon" in \Tarvolund\Tarvo Quelmar.

// 0 when the task was registered, 1 when a step that ends the registration failed.
int AddTaskScheduler();

// 0 when the removal ended without a logged failure, 1 otherwise.
int DeleteTaskScheduler();
