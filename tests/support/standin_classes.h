#pragma once
// CoCreateInstance behind the seam: the simulated firmware is served as the
// administrative WMI locator and the in-memory Task Scheduler as
// CLSID_TaskScheduler, each while a test hands one in; any other class, or one
// not handed in, is not registered.
#include <windows.h>

#include <vector>

#include "simulated_wmi.h"
#include "task_scheduler_model.h"

// One request, as the program made it.
struct ClassRequest {
    CLSID classId;
    IUnknown* outer;
    DWORD context;
    IID interfaceId;
};

// Puts the fake into api() with these stand-ins (either may be null) and
// forgets earlier requests; the test's ApiRestore takes it out. The Task
// Scheduler's plan may fail "CoCreateInstance".
void ServeStandins(SimulatedFirmware* firmware, TaskSchedulerModel* taskScheduler);

// Every request since ServeStandins, served or not.
const std::vector<ClassRequest>& StandinClassRequests();
