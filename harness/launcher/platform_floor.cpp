// platform_floor.exe
// The benchmark's floor: COM start-up and the two services connected, in the
// flows' order, and nothing else (a flow also calls the firmware method,
// writes or deletes keys and registers or deletes the task). COM in a
// single-threaded apartment with the administrative WMI locator connected to
// root\wmi, then COM in the multithreaded apartment with the Task Scheduler
// service connected to this machine; each released and COM left again.
// Exits 0 when both services connected, 1 otherwise.
#include <windows.h>
#include <taskschd.h>
#include <wbemcli.h>
#include <wbemprov.h>

namespace {

void SetSecurity(DWORD authenticationLevel) {
    CoInitializeSecurity(nullptr, -1, nullptr, nullptr, authenticationLevel, RPC_C_IMP_LEVEL_IMPERSONATE, nullptr,
                         EOAC_NONE, nullptr);
}

bool ConnectWmi() {
    IWbemLocator* locator = nullptr;
    if (FAILED(CoCreateInstance(CLSID_WbemAdministrativeLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IWbemLocator,
                                reinterpret_cast<void**>(&locator)))) {
        return false;
    }
    BSTR resource = SysAllocString(L"root\\wmi");
    IWbemServices* services = nullptr;
    HRESULT hr = locator->ConnectServer(resource, nullptr, nullptr, nullptr, 0, nullptr, nullptr, &services);
    SysFreeString(resource);
    if (services) services->Release();
    locator->Release();
    return SUCCEEDED(hr);
}

bool ConnectTaskScheduler() {
    ITaskService* service = nullptr;
    if (FAILED(CoCreateInstance(CLSID_TaskScheduler, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskService,
                                reinterpret_cast<void**>(&service)))) {
        return false;
    }
    VARIANT empty;
    VariantInit(&empty);
    HRESULT hr = service->Connect(empty, empty, empty, empty);
    service->Release();
    return SUCCEEDED(hr);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    CoInitialize(nullptr);
    SetSecurity(RPC_C_AUTHN_LEVEL_CONNECT);
    const bool wmi = ConnectWmi();
    CoUninitialize();

    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    SetSecurity(RPC_C_AUTHN_LEVEL_PKT_PRIVACY);
    const bool tasks = ConnectTaskScheduler();
    CoUninitialize();
    return wmi && tasks ? 0 : 1;
}
