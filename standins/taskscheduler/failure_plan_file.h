#pragma once
// A failure plan kept in a text file, so that a sandbox can make a call of
// the Task Scheduler fail. One failure a line:
//
//   CALL HRESULT [FOLDER]
//
// as "ITaskFolder::RegisterTaskDefinition 80070005" (every call fails) or
// "ITaskFolder::GetTasks 80070005 \Tarvolund\Tarvo Quelmar" (only on that
// folder). CALL is named as the model's call log names it, HRESULT is
// hexadecimal, FOLDER is the rest of the line. Blank lines and lines that
// start with '#' are skipped.
#include "task_scheduler_model.h"

#include <string>

// Plans each failure in the model. A missing file plans nothing; a line that
// is not understood gives false and the line.
bool LoadFailurePlan(const std::wstring& path, TaskSchedulerModel& model, std::string* error);
