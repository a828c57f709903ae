#include "task/local_task_service.h"

HRESULT InitializeTaskSchedulerSecurity() {
    return api().CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_PKT_PRIVACY,
                                      RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE, nullptr);
}

HRESULT CreateTaskService(ITaskService** service) {
    return api().CoCreateInstance(CLSID_TaskScheduler, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskService,
                                  reinterpret_cast<void**>(service));
}

HRESULT ConnectToLocalMachine(ITaskService* service) {
    // Empty server, user, domain and password: this machine, our own account.
    Variant server, user, domain, password;
    return service->Connect(*server.get(), *user.get(), *domain.get(), *password.get());
}
