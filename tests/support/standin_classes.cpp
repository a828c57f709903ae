#include "standin_classes.h"

#include <wbemprov.h>

#include "task_service_standin.h"
#include "test_support.h"

namespace {

// The seam takes plain function pointers: the fake reaches the stand-ins here.
SimulatedFirmware* servedFirmware = nullptr;
TaskSchedulerModel* servedTaskScheduler = nullptr;
std::vector<ClassRequest> requests;

HRESULT WINAPI CreateStandin(REFCLSID classId, LPUNKNOWN outer, DWORD context, REFIID iid, LPVOID* object) {
    requests.push_back({classId, outer, context, iid});
    *object = nullptr;
    if (servedFirmware && IsEqualCLSID(classId, CLSID_WbemAdministrativeLocator))
        return CreateSimulatedLocator(*servedFirmware, iid, object);
    if (servedTaskScheduler && IsEqualCLSID(classId, CLSID_TaskScheduler)) {
        HRESULT hr = servedTaskScheduler->Enter("CoCreateInstance");
        return FAILED(hr) ? hr : CreateTaskServiceStandin(*servedTaskScheduler, iid, object);
    }
    return REGDB_E_CLASSNOTREG;
}

}  // namespace

void ServeStandins(SimulatedFirmware* firmware, TaskSchedulerModel* taskScheduler) {
    servedFirmware = firmware;
    servedTaskScheduler = taskScheduler;
    requests.clear();
    api().CoCreateInstance = CreateStandin;
}

const std::vector<ClassRequest>& StandinClassRequests() { return requests; }
