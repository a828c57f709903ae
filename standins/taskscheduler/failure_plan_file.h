#pragma once
// The Task Scheduler's plan kept in a text file, so that a sandbox can make a
// call fail: one "fail STEP HRESULT" a line (journal_vocabulary.h), STEP as
// the journal names the call, with or without its folder:
//
//   fail ITaskFolder::RegisterTaskDefinition 80070005        on every folder
//   fail ITaskFolder::GetTasks \Tarvolund\Tarvo Quelmar 80070005   on that one
#include "task_scheduler_model.h"

#include <string>

// Plans each failure in the model. A missing file plans nothing; a line that
// is not understood gives false and the line.
bool LoadFailurePlan(const std::wstring& path, TaskSchedulerModel& model, std::string* error);
