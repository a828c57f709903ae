#include "simulated_objects.h"

namespace {

// Asks a simulated object for itself, so that the firmware can read what it
// was handed without going through the planned failures of its methods.
// {23B52239-BE01-4FDE-A555-3C71DFE4635A}
const IID kSimulatedObjectId = {0x23b52239, 0xbe01, 0x4fde, {0xa5, 0x55, 0x3c, 0x71, 0xdf, 0xe4, 0x63, 0x5a}};

}  // namespace

SimulatedObject::SimulatedObject(SimulatedFirmware& firmware, std::wstring className, Kind kind,
                                 std::string description, std::string instanceDescription)
    : SimulatedComObject(firmware, std::move(description)),
      className_(std::move(className)),
      kind_(kind),
      instanceDescription_(instanceDescription.empty() ? Narrow(className_.c_str()) + " instance"
                                                       : std::move(instanceDescription)) {}

SimulatedObject::~SimulatedObject() {
    for (auto& property : properties_) VariantClear(&property.second);
}

SimulatedObject* SimulatedObject::From(IUnknown* object) {
    void* found = nullptr;
    if (!object || FAILED(object->QueryInterface(kSimulatedObjectId, &found))) return nullptr;
    SimulatedObject* simulated = static_cast<SimulatedObject*>(found);
    simulated->Release();  // the caller's own reference keeps it alive
    return simulated;
}

void SimulatedObject::Set(const std::wstring& name, const VARIANT& value) {
    VARIANT copy;
    VariantInit(&copy);
    VariantCopy(&copy, const_cast<VARIANT*>(&value));
    for (auto& property : properties_) {
        if (property.first == name) {
            VariantClear(&property.second);
            property.second = copy;
            return;
        }
    }
    properties_.emplace_back(name, copy);
}

const VARIANT* SimulatedObject::Find(const std::wstring& name) const {
    for (const auto& property : properties_) {
        if (property.first == name) return &property.second;
    }
    return nullptr;
}

HRESULT SimulatedObject::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    if (iid == kSimulatedObjectId) {
        *object = this;
        AddRef();
        return S_OK;
    }
    if (iid == IID_IWbemClassObject) {
        std::string step = "QueryInterface " + Narrow(className_.c_str());
        HRESULT hr = firmware_.Planned(step);
        firmware_.Record(step, description(), hr);
        if (FAILED(hr)) {
            *object = nullptr;
            return hr;
        }
    }
    return SimulatedComObject::QueryInterface(iid, object);
}

HRESULT SimulatedObject::Get(LPCWSTR name, LONG flags, VARIANT* value, CIMTYPE* type, LONG* flavor) {
    std::string step = "Get " + Narrow(name);
    const VARIANT* property = name ? Find(name) : nullptr;
    HRESULT hr = firmware_.Planned(step);
    if (SUCCEEDED(hr) && (!name || flags != 0)) hr = WBEM_E_INVALID_PARAMETER;
    if (SUCCEEDED(hr) && !property) hr = WBEM_E_NOT_FOUND;
    firmware_.Record(step, description(), hr);
    if (FAILED(hr)) return hr;

    if (value) {
        VariantInit(value);
        VariantCopy(value, const_cast<VARIANT*>(property));
    }
    if (type) *type = 0;
    if (flavor) *flavor = WBEM_FLAVOR_ORIGIN_LOCAL;
    return hr;
}

HRESULT SimulatedObject::Put(LPCWSTR name, LONG flags, VARIANT* value, CIMTYPE type) {
    std::string step = "Put " + Narrow(name);
    HRESULT hr = firmware_.Planned(step);
    if (SUCCEEDED(hr) && (!name || !value || flags != 0 || type != 0)) hr = WBEM_E_INVALID_PARAMETER;
    firmware_.Record(step, description() + (value ? ", " + DescribeValue(*value) : ""), hr);
    if (FAILED(hr)) return hr;

    // An embedded object is stored as a value: later puts on the original do
    // not reach it.
    SimulatedObject* embedded = value->vt == VT_UNKNOWN ? From(value->punkVal) : nullptr;
    if (!embedded) {
        Set(name, *value);
        return hr;
    }
    SimulatedObject* copy =
        new SimulatedObject(firmware_, embedded->className_, embedded->kind_, "copy of " + embedded->description());
    for (const auto& property : embedded->properties_) copy->Set(property.first, property.second);
    VARIANT held;
    held.vt = VT_UNKNOWN;
    held.punkVal = copy;
    copy->AddRef();
    Set(name, held);
    copy->Release();
    return hr;
}

HRESULT SimulatedObject::SpawnInstance(LONG flags, IWbemClassObject** instance) {
    std::string step = "SpawnInstance " + Narrow(className_.c_str());
    HRESULT hr = firmware_.Planned(step);
    if (SUCCEEDED(hr) && (flags != 0 || !instance)) hr = WBEM_E_INVALID_PARAMETER;
    if (SUCCEEDED(hr) && kind_ != Kind::Class) hr = WBEM_E_INVALID_OPERATION;
    firmware_.Record(step, description(), hr);
    if (FAILED(hr)) return hr;
    HandOut<SimulatedObject>(instance, firmware_, className_, Kind::Instance, instanceDescription_);
    return hr;
}

HRESULT SimulatedObject::GetMethod(LPCWSTR name, LONG flags, IWbemClassObject** inSignature,
                                   IWbemClassObject** outSignature) {
    std::string step = "GetMethod " + Narrow(name);
    HRESULT hr = firmware_.Planned(step);
    if (SUCCEEDED(hr) && (!name || flags != 0)) hr = WBEM_E_INVALID_PARAMETER;
    if (SUCCEEDED(hr) && (className_ != L"tlvBIntM" || wcscmp(name, L"tlvBIOSInt4") != 0)) hr = WBEM_E_NOT_FOUND;
    firmware_.Record(step, description(), hr);
    if (FAILED(hr)) return hr;

    if (inSignature) {
        HandOut<SimulatedObject>(inSignature, firmware_, L"__PARAMETERS", Kind::Class, "tlvBIOSInt4 in-signature",
                                 "tlvBIOSInt4 in-parameters");
    }
    if (outSignature) *outSignature = nullptr;
    return hr;
}

HRESULT SimulatedObject::GetQualifierSet(IWbemQualifierSet**) { return WBEM_E_NOT_SUPPORTED; }
HRESULT SimulatedObject::Delete(LPCWSTR) { return WBEM_E_NOT_SUPPORTED; }
HRESULT SimulatedObject::GetNames(LPCWSTR, LONG, VARIANT*, SAFEARRAY**) { return WBEM_E_NOT_SUPPORTED; }
HRESULT SimulatedObject::BeginEnumeration(LONG) { return WBEM_E_NOT_SUPPORTED; }
HRESULT SimulatedObject::Next(LONG, BSTR*, VARIANT*, CIMTYPE*, LONG*) { return WBEM_E_NOT_SUPPORTED; }
HRESULT SimulatedObject::EndEnumeration() { return WBEM_E_NOT_SUPPORTED; }
HRESULT SimulatedObject::GetPropertyQualifierSet(LPCWSTR, IWbemQualifierSet**) { return WBEM_E_NOT_SUPPORTED; }
HRESULT SimulatedObject::Clone(IWbemClassObject**) { return WBEM_E_NOT_SUPPORTED; }
HRESULT SimulatedObject::GetObjectText(LONG, BSTR*) { return WBEM_E_NOT_SUPPORTED; }
HRESULT SimulatedObject::SpawnDerivedClass(LONG, IWbemClassObject**) { return WBEM_E_NOT_SUPPORTED; }
HRESULT SimulatedObject::CompareTo(LONG, IWbemClassObject*) { return WBEM_E_NOT_SUPPORTED; }
HRESULT SimulatedObject::GetPropertyOrigin(LPCWSTR, BSTR*) { return WBEM_E_NOT_SUPPORTED; }
HRESULT SimulatedObject::InheritsFrom(LPCWSTR) { return WBEM_E_NOT_SUPPORTED; }
HRESULT SimulatedObject::PutMethod(LPCWSTR, LONG, IWbemClassObject*, IWbemClassObject*) { return WBEM_E_NOT_SUPPORTED; }
HRESULT SimulatedObject::DeleteMethod(LPCWSTR) { return WBEM_E_NOT_SUPPORTED; }
HRESULT SimulatedObject::BeginMethodEnumeration(LONG) { return WBEM_E_NOT_SUPPORTED; }
HRESULT SimulatedObject::NextMethod(LONG, BSTR*, IWbemClassObject**, IWbemClassObject**) {
    return WBEM_E_NOT_SUPPORTED;
}
HRESULT SimulatedObject::EndMethodEnumeration() { return WBEM_E_NOT_SUPPORTED; }
HRESULT SimulatedObject::GetMethodQualifierSet(LPCWSTR, IWbemQualifierSet**) { return WBEM_E_NOT_SUPPORTED; }
HRESULT SimulatedObject::GetMethodOrigin(LPCWSTR, BSTR*) { return WBEM_E_NOT_SUPPORTED; }
