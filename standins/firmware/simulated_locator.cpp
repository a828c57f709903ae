#include "simulated_objects.h"

HRESULT CreateSimulatedLocator(SimulatedFirmware& firmware, REFIID iid, void** object) {
    if (!object) return E_POINTER;
    IWbemLocator* locator = nullptr;
    HandOut<SimulatedLocator>(&locator, firmware);
    HRESULT hr = locator->QueryInterface(iid, object);
    locator->Release();
    return hr;
}

HRESULT SimulatedLocator::ConnectServer(const BSTR resource, const BSTR user, const BSTR password, const BSTR locale,
                                        LONG flags, const BSTR authority, IWbemContext* context,
                                        IWbemServices** services) {
    std::string step = "ConnectServer " + Narrow(resource);
    HRESULT hr = firmware_.Planned(step);
    if (SUCCEEDED(hr) && (user || password || locale || flags != 0 || authority || context || !services)) {
        hr = WBEM_E_INVALID_PARAMETER;
    }
    if (SUCCEEDED(hr) && (!resource || _wcsicmp(resource, L"root\\wmi") != 0)) hr = WBEM_E_INVALID_NAMESPACE;
    firmware_.Record(step, "", hr);
    if (FAILED(hr)) return hr;
    HandOut<SimulatedServices>(services, firmware_);
    return hr;
}
