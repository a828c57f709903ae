#include <stdio.h>

#include "simulated_objects.h"

namespace {

struct PublishedClass {
    const wchar_t* name;
    const char* description;
};

// The classes the firmware publishes in "root\wmi".
constexpr PublishedClass kClasses[] = {
    {L"tlvBIntM", "tlvBIntM class"},
    {L"tlvBDataIn", "tlvBDataIn class"},
};

std::vector<BYTE> Bytes(const SimulatedObject& record, const wchar_t* name) {
    const VARIANT* value = record.Find(name);
    if (!value || value->vt != (VT_ARRAY | VT_UI1) || !value->parray || value->parray->cDims != 1) return {};
    const BYTE* elements = static_cast<const BYTE*>(value->parray->pvData);
    return std::vector<BYTE>(elements, elements + value->parray->rgsabound[0].cElements);
}

LONG Long(const SimulatedObject& record, const wchar_t* name) {
    const VARIANT* value = record.Find(name);
    return value && value->vt == VT_I4 ? value->lVal : 0;
}

// The tlvBDataIn record that the in-parameters carry as "InData", or null.
SimulatedObject* RecordOf(IWbemClassObject* inParameters) {
    SimulatedObject* parameters = SimulatedObject::From(inParameters);
    const VARIANT* inData = parameters ? parameters->Find(L"InData") : nullptr;
    SimulatedObject* record = inData && inData->vt == VT_UNKNOWN ? SimulatedObject::From(inData->punkVal) : nullptr;
    return record && record->className() == L"tlvBDataIn" ? record : nullptr;
}

}  // namespace

HRESULT SimulatedServices::GetObject(const BSTR path, LONG flags, IWbemContext* context, IWbemClassObject** object,
                                     IWbemCallResult** callResult) {
    std::string step = "GetObject " + Narrow(path);
    HRESULT hr = firmware_.Planned(step);
    if (SUCCEEDED(hr) && (flags != 0 || context || !object || callResult)) hr = WBEM_E_INVALID_PARAMETER;
    const PublishedClass* found = nullptr;
    for (const PublishedClass& published : kClasses) {
        if (path && wcscmp(path, published.name) == 0) found = &published;
    }
    if (SUCCEEDED(hr) && !found) hr = WBEM_E_NOT_FOUND;
    firmware_.Record(step, "", hr);
    if (FAILED(hr)) return hr;
    HandOut<SimulatedObject>(object, firmware_, found->name, SimulatedObject::Kind::Class, found->description);
    return hr;
}

HRESULT SimulatedServices::CreateInstanceEnum(const BSTR className, LONG flags, IWbemContext* context,
                                              IEnumWbemClassObject** instances) {
    std::string step = "CreateInstanceEnum " + Narrow(className);
    HRESULT hr = firmware_.Planned(step);
    if (SUCCEEDED(hr) && (context || !instances)) hr = WBEM_E_INVALID_PARAMETER;
    if (SUCCEEDED(hr) && (!className || wcscmp(className, L"tlvBIntM") != 0)) hr = WBEM_E_INVALID_CLASS;
    char detail[32];
    // NOLINTNEXTLINE(cert-err33-c): the buffer holds the longest text
    snprintf(detail, sizeof detail, "flags 0x%lX", flags);
    firmware_.Record(step, detail, hr);
    if (FAILED(hr)) return hr;
    HandOut<SimulatedEnumerator>(instances, firmware_);
    return hr;
}

HRESULT SimulatedServices::ExecMethod(const BSTR path, const BSTR method, LONG flags, IWbemContext* context,
                                      IWbemClassObject* inParameters, IWbemClassObject** outParameters,
                                      IWbemCallResult** callResult) {
    std::string step = "ExecMethod " + Narrow(method);
    HRESULT hr = firmware_.Planned(step);
    if (SUCCEEDED(hr) && (flags != 0 || context || callResult)) hr = WBEM_E_INVALID_PARAMETER;
    if (SUCCEEDED(hr) && (!method || wcscmp(method, L"tlvBIOSInt4") != 0)) hr = WBEM_E_INVALID_METHOD;
    bool onInstance = firmware_.hasInstance && path && wcscmp(path, SimulatedFirmware::InstancePath()) == 0;
    if (SUCCEEDED(hr) && !onInstance) hr = WBEM_E_INVALID_OBJECT_PATH;
    SimulatedObject* record = RecordOf(inParameters);
    if (SUCCEEDED(hr) && !record) hr = WBEM_E_INVALID_METHOD_PARAMETERS;
    firmware_.Record(step, "path \"" + Narrow(path) + "\"", hr);
    if (FAILED(hr)) return hr;

    CommandRecord received;
    received.sign = Bytes(*record, L"Sign");
    received.command = Long(*record, L"Command");
    received.commandType = Long(*record, L"CommandType");
    received.size = Long(*record, L"Size");
    received.data = Bytes(*record, L"tlvBData");
    std::array<BYTE, 4> answer;
    LONG returnCode = firmware_.Execute(received, &answer);

    IWbemClassObject* out = firmware_.answerShape.outParameters ? MakeAnswer(firmware_, returnCode, answer) : nullptr;
    if (outParameters) {
        *outParameters = out;
    } else if (out) {
        out->Release();
    }
    return hr;
}

HRESULT SimulatedServices::OpenNamespace(const BSTR, LONG, IWbemContext*, IWbemServices**, IWbemCallResult**) {
    return WBEM_E_NOT_SUPPORTED;
}
HRESULT SimulatedServices::CancelAsyncCall(IWbemObjectSink*) { return WBEM_E_NOT_SUPPORTED; }
HRESULT SimulatedServices::QueryObjectSink(LONG, IWbemObjectSink**) { return WBEM_E_NOT_SUPPORTED; }
HRESULT SimulatedServices::GetObjectAsync(const BSTR, LONG, IWbemContext*, IWbemObjectSink*) {
    return WBEM_E_NOT_SUPPORTED;
}
HRESULT SimulatedServices::PutClass(IWbemClassObject*, LONG, IWbemContext*, IWbemCallResult**) {
    return WBEM_E_NOT_SUPPORTED;
}
HRESULT SimulatedServices::PutClassAsync(IWbemClassObject*, LONG, IWbemContext*, IWbemObjectSink*) {
    return WBEM_E_NOT_SUPPORTED;
}
HRESULT SimulatedServices::DeleteClass(const BSTR, LONG, IWbemContext*, IWbemCallResult**) {
    return WBEM_E_NOT_SUPPORTED;
}
HRESULT SimulatedServices::DeleteClassAsync(const BSTR, LONG, IWbemContext*, IWbemObjectSink*) {
    return WBEM_E_NOT_SUPPORTED;
}
HRESULT SimulatedServices::CreateClassEnum(const BSTR, LONG, IWbemContext*, IEnumWbemClassObject**) {
    return WBEM_E_NOT_SUPPORTED;
}
HRESULT SimulatedServices::CreateClassEnumAsync(const BSTR, LONG, IWbemContext*, IWbemObjectSink*) {
    return WBEM_E_NOT_SUPPORTED;
}
HRESULT SimulatedServices::PutInstance(IWbemClassObject*, LONG, IWbemContext*, IWbemCallResult**) {
    return WBEM_E_NOT_SUPPORTED;
}
HRESULT SimulatedServices::PutInstanceAsync(IWbemClassObject*, LONG, IWbemContext*, IWbemObjectSink*) {
    return WBEM_E_NOT_SUPPORTED;
}
HRESULT SimulatedServices::DeleteInstance(const BSTR, LONG, IWbemContext*, IWbemCallResult**) {
    return WBEM_E_NOT_SUPPORTED;
}
HRESULT SimulatedServices::DeleteInstanceAsync(const BSTR, LONG, IWbemContext*, IWbemObjectSink*) {
    return WBEM_E_NOT_SUPPORTED;
}
HRESULT SimulatedServices::CreateInstanceEnumAsync(const BSTR, LONG, IWbemContext*, IWbemObjectSink*) {
    return WBEM_E_NOT_SUPPORTED;
}
HRESULT SimulatedServices::ExecQuery(const BSTR, const BSTR, LONG, IWbemContext*, IEnumWbemClassObject**) {
    return WBEM_E_NOT_SUPPORTED;
}
HRESULT SimulatedServices::ExecQueryAsync(const BSTR, const BSTR, LONG, IWbemContext*, IWbemObjectSink*) {
    return WBEM_E_NOT_SUPPORTED;
}
HRESULT SimulatedServices::ExecNotificationQuery(const BSTR, const BSTR, LONG, IWbemContext*, IEnumWbemClassObject**) {
    return WBEM_E_NOT_SUPPORTED;
}
HRESULT SimulatedServices::ExecNotificationQueryAsync(const BSTR, const BSTR, LONG, IWbemContext*, IWbemObjectSink*) {
    return WBEM_E_NOT_SUPPORTED;
}
HRESULT SimulatedServices::ExecMethodAsync(const BSTR, const BSTR, LONG, IWbemContext*, IWbemClassObject*,
                                           IWbemObjectSink*) {
    return WBEM_E_NOT_SUPPORTED;
}
