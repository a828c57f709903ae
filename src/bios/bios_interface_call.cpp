#include <wbemprov.h>

#include "bios/bios_interface.h"
#include "bios/release_field.h"
#include "log/bounded_format.h"
#include "platform/owners.h"

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
                                             RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE,
                                             nullptr))) {
        securityInitialised = 1;
    }
}

HRESULT GetClass(IWbemServices* services, const wchar_t* name, IWbemClassObject** object) {
    Bstr path(name);
    if (!path) return E_OUTOFMEMORY;
    return services->GetObject(path.get(), 0, nullptr, object, nullptr);
}

// The path of the first tlvBIntM instance. Neither Next nor the Get is
// checked: without an instance the method runs on an empty path and the
// firmware's answer decides.
HRESULT GetInstancePath(IWbemServices* services, Variant& path) {
    Bstr className(kInterfaceClass);
    if (!className) return E_OUTOFMEMORY;
    ComPtr<IEnumWbemClassObject> instances;
    HRESULT hr = services->CreateInstanceEnum(className.get(), kEnumerationFlags, nullptr, instances.put());
    if (FAILED(hr)) return hr;

    ComPtr<IWbemClassObject> instance;
    ULONG returned = 0;
    instances->Next(kEnumerationTimeout, 1, instance.put(), &returned);
    instances.reset();
    if (instance) instance->Get(kPathProperty, 0, path.get(), nullptr, nullptr);
    return S_OK;
}

HRESULT ExecuteMethod(BiosInterface& bios, const wchar_t* method, Variant& path) {
    BSTR objectPath = path->vt == VT_BSTR ? path->bstrVal : nullptr;  // empty without an instance
    Bstr methodName(method);
    if (!methodName) return E_OUTOFMEMORY;
    return bios.services->ExecMethod(objectPath, methodName.get(), 0, nullptr, bios.inParams,
                                     &bios.outParams, nullptr);
}

// Ends at the first failure; Call releases whatever was acquired.
HRESULT SendCommand(BiosInterface& bios, LONG command, const BYTE data[4], BYTE answer[4]) {
    HRESULT hr = S_OK;
    if (!bios.locator) {
        hr = api().CoCreateInstance(CLSID_WbemAdministrativeLocator, nullptr, CLSCTX_INPROC_SERVER,
                                    IID_IWbemLocator, reinterpret_cast<void**>(&bios.locator));
        if (FAILED(hr)) return hr;
    }
    if (!bios.services) {
        Bstr resource(kNamespace);
        if (!resource) return E_OUTOFMEMORY;
        hr = bios.locator->ConnectServer(resource.get(), nullptr, nullptr, nullptr, 0, nullptr, nullptr,
                                         &bios.services);
        if (FAILED(hr)) return hr;
    }
    if (FAILED(hr = GetClass(bios.services, kInterfaceClass, &bios.interfaceClass))) return hr;

    wchar_t method[32];
    BoundedFormatW(method, 32, kMethodPattern, kMethodNumber);
    if (FAILED(hr = bios.interfaceClass->GetMethod(method, 0, &bios.inSignature, nullptr))) return hr;
    if (FAILED(hr = bios.inSignature->SpawnInstance(0, &bios.inParams))) return hr;
    if (FAILED(hr = GetClass(bios.services, kDataInClass, &bios.dataInClass))) return hr;
    if (FAILED(hr = bios.dataInClass->SpawnInstance(0, &bios.dataIn))) return hr;

    // A record that is not complete is never sent: a firmware write without
    // its signature or its data bytes could corrupt the firmware setting.
    if (FAILED(hr = bios.FillInData(command, data))) return hr;

    Variant path;
    if (FAILED(hr = GetInstancePath(bios.services, path))) return hr;
    hr = ExecuteMethod(bios, method, path);
    path.clear();
    if (FAILED(hr)) return hr;
    return bios.ReadOutData(answer);
}

}  // namespace

HRESULT BiosInterface::Call(LONG command, const BYTE data[4], BYTE answer[4]) {
    InitialiseSecurity(securityInitialised);
    HRESULT status = SendCommand(*this, command, data, answer);

    // Nothing but the security flag is kept from one call to the next.
    ReleaseField(dataInClass);
    ReleaseField(dataIn);
    ReleaseField(inParams);
    ReleaseField(outParams);
    ReleaseField(interfaceClass);
    ReleaseField(inSignature);
    ReleaseField(services);
    ReleaseField(locator);
    return status;
}
