#include "simulated_objects.h"

HRESULT SimulatedEnumerator::Next(LONG timeout, ULONG count, IWbemClassObject** objects, ULONG* returned) {
    HRESULT hr = firmware_.Planned("Next");
    if (SUCCEEDED(hr) && (count != 1 || !objects || !returned)) hr = WBEM_E_INVALID_PARAMETER;
    bool yields = SUCCEEDED(hr) && firmware_.hasInstance && !yielded_;
    if (SUCCEEDED(hr) && !yields) hr = WBEM_S_FALSE;
    firmware_.Record("Next", "timeout " + std::to_string(timeout) + ", count " + std::to_string(count), hr);
    if (returned) *returned = yields ? 1 : 0;
    if (!yields) return hr;

    yielded_ = true;
    SimulatedObject* instance = nullptr;
    HandOut<SimulatedObject>(&instance, firmware_, L"tlvBIntM", SimulatedObject::Kind::Instance, "tlvBIntM instance");
    VARIANT path;
    path.vt = VT_BSTR;
    path.bstrVal = SysAllocString(SimulatedFirmware::InstancePath());
    instance->Set(L"__PATH", path);
    VariantClear(&path);
    objects[0] = instance;
    return hr;
}

HRESULT SimulatedEnumerator::Reset() { return WBEM_E_NOT_SUPPORTED; }
HRESULT SimulatedEnumerator::NextAsync(ULONG, IWbemObjectSink*) { return WBEM_E_NOT_SUPPORTED; }
HRESULT SimulatedEnumerator::Clone(IEnumWbemClassObject**) { return WBEM_E_NOT_SUPPORTED; }
HRESULT SimulatedEnumerator::Skip(LONG, ULONG) { return WBEM_E_NOT_SUPPORTED; }
