#pragma once
// The Task Scheduler service over a model: what CoCreateInstance of
// CLSID_TaskScheduler gives. The model must outlive every object handed out.
#include "task_scheduler_model.h"

HRESULT CreateTaskServiceStandin(TaskSchedulerModel& model, REFIID iid, void** object);
