#include "task/task_calls.h"

#include "log/setup_log.h"

bool HoldString(Variant& variant, const wchar_t* text) {
    variant->vt = VT_BSTR;
    variant->bstrVal = api().SysAllocString(text);
    return variant->bstrVal != nullptr;
}

HRESULT InitializeTaskSchedulerSecurity() {
    return api().CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_PKT_PRIVACY,
                                      RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE, nullptr);
}

HRESULT CreateTaskService(ITaskService** service) {
    return api().CoCreateInstance(CLSID_TaskScheduler, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_ITaskService, reinterpret_cast<void**>(service));
}

HRESULT ConnectToLocalMachine(ITaskService* service) {
    // Empty server, user, domain and password: this machine, our own account.
    Variant server, user, domain, password;
    return service->Connect(*server.get(), *user.get(), *domain.get(), *password.get());
}

bool LogIfFailed(HRESULT hr, const char* message) {
    if (SUCCEEDED(hr)) return false;
    LogHresult(message, hr);
    return true;
}
