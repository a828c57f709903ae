#include <wbemprov.h>

#include "bios/bios_interface.h"
#include "log/bounded_format.h"
#include "platform/owners.h"
#include "platform/steps.h"

namespace {

constexpr const wchar_t* kNamespace = L"root\\wmi";
constexpr const wchar_t* kInterfaceClass = L"tlvBIntM";
constexpr const wchar_t* kDataInClass = L"tlvBDataIn";
constexpr const wchar_t* kMethodPattern = L"tlvBIOSInt%ld";
constexpr LONG kMethodNumber = 4;  // the same 4 as the length of the data and of the answer
constexpr const wchar_t* kPathProperty = L"__PATH";
constexpr LONG kEnumerationFlags = WBEM_FLAG_RETURN_IMMEDIATELY | WBEM_FLAG_FORWARD_ONLY;
constexpr LONG kEnumerationTimeout = 2000;  // milliseconds

// Passed over when it fails (the process's security may be set already);
// the next call through the same object tries again.
void InitialiseSecurity(LONG& securityInitialised) {
    if (securityInitialised) return;
    if (SUCCEEDED(api().CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_CONNECT,
                                             RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE, nullptr))) {
        securityInitialised = 1;
    }
}

HRESULT GetClass(IWbemServices* services, const wchar_t* name, ComPtr<IWbemClassObject>& object) {
    return WithBstr(name, [&](BSTR path) { return services->GetObject(path, 0, nullptr, object.put(), nullptr); });
}

// The path of the first tlvBIntM instance. Neither Next nor the Get is
// checked: without an instance the method runs on an empty path and the
// firmware's answer decides.
HRESULT GetInstancePath(IWbemServices* services, Variant& path) {
    Bstr className(kInterfaceClass);
    if (!className) return E_OUTOFMEMORY;
    ComPtr<IEnumWbemClassObject> instances;
    RETURN_IF_FAILED(services->CreateInstanceEnum(className.get(), kEnumerationFlags, nullptr, instances.put()));

    ComPtr<IWbemClassObject> instance;
    ULONG returned = 0;
    IGNORE_RESULT(instances->Next(kEnumerationTimeout, 1, instance.put(), &returned));
    instances.reset();
    if (instance) IGNORE_RESULT(instance->Get(kPathProperty, 0, path.get(), nullptr, nullptr));
    return S_OK;
}

HRESULT ExecuteMethod(BiosInterface& bios, const wchar_t* method, Variant& path) {
    BSTR objectPath = path->vt == VT_BSTR ? path->bstrVal : nullptr;  // empty without an instance
    return WithBstr(method, [&](BSTR name) {
        return bios.services->ExecMethod(objectPath, name, 0, nullptr, bios.inParams.get(), bios.outParams.put(),
                                         nullptr);
    });
}

// Ends at the first failure; Call releases whatever was acquired.
HRESULT SendCommand(BiosInterface& bios, LONG command, const BYTE data[4], BYTE answer[4]) {
    if (!bios.locator) {
        RETURN_IF_FAILED(api().CoCreateInstance(CLSID_WbemAdministrativeLocator, nullptr, CLSCTX_INPROC_SERVER,
                                                IID_IWbemLocator, bios.locator.put_void()));
    }
    if (!bios.services) {
        RETURN_IF_FAILED(WithBstr(kNamespace, [&](BSTR resource) {
            return bios.locator->ConnectServer(resource, nullptr, nullptr, nullptr, 0, nullptr, nullptr,
                                               bios.services.put());
        }));
    }
    RETURN_IF_FAILED(GetClass(bios.services.get(), kInterfaceClass, bios.interfaceClass));

    wchar_t method[32];
    IGNORE_RESULT(BoundedFormatW(method, 32, kMethodPattern, kMethodNumber));  // "tlvBIOSInt4" always fits
    RETURN_IF_FAILED(bios.interfaceClass->GetMethod(method, 0, bios.inSignature.put(), nullptr));
    RETURN_IF_FAILED(bios.inSignature->SpawnInstance(0, bios.inParams.put()));
    RETURN_IF_FAILED(GetClass(bios.services.get(), kDataInClass, bios.dataInClass));
    RETURN_IF_FAILED(bios.dataInClass->SpawnInstance(0, bios.dataIn.put()));

    // A record that is not complete is never sent: a firmware write without
    // its signature or its data bytes could corrupt the firmware setting.
    RETURN_IF_FAILED(bios.FillInData(command, data));

    Variant path;
    RETURN_IF_FAILED(GetInstancePath(bios.services.get(), path));
    const HRESULT executed = ExecuteMethod(bios, method, path);
    path.reset();
    RETURN_IF_FAILED(executed);
    return bios.ReadOutData(answer);
}

}  // namespace

HRESULT BiosInterface::Call(LONG command, const BYTE data[4], BYTE answer[4]) {
    InitialiseSecurity(securityInitialised);
    HRESULT status = SendCommand(*this, command, data, answer);

    // Nothing but the security flag is kept from one call to the next. The
    // data-in class goes before its instance here, unlike in ReleaseAll: the
    // firmware's provider sees the order, so each order is part of what the
    // program promises the firmware, and each is pinned by its own test
    // (BiosRecord.CallReleasesItsInterfacesInItsOrder). Do not make them the same.
    dataInClass.reset();
    dataIn.reset();
    inParams.reset();
    outParams.reset();
    interfaceClass.reset();
    inSignature.reset();
    services.reset();
    locator.reset();
    return status;
}
