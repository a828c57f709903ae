#include "bios/bios_interface.h"
#include "platform/owners.h"

namespace {

constexpr BYTE kSignature[4] = {0x53, 0x45, 0x43, 0x55};  // "SECU"
constexpr LONG kCommandType = 0x2C;
constexpr LONG kRecordSize = 4;
constexpr LONG kRecordBytes = 4;
constexpr CIMTYPE kOwnType = 0;  // the property keeps the type the class gives it

HRESULT PutLong(IWbemClassObject* object, const wchar_t* name, LONG number) {
    VARIANT value = {};
    value.vt = VT_I4;
    value.lVal = number;
    return object->Put(name, 0, &value, kOwnType);
}

// A one-dimensional array of 4 unsigned bytes, lower bound 0.
HRESULT PutBytes(IWbemClassObject* object, const wchar_t* name, const BYTE bytes[4]) {
    SafeArray array(api().SafeArrayCreateVector(VT_UI1, 0, kRecordBytes));
    if (!array) return E_OUTOFMEMORY;
    for (LONG index = 0; index < kRecordBytes; ++index) {
        BYTE element = bytes[index];
        HRESULT hr = api().SafeArrayPutElement(array.get(), &index, &element);
        if (FAILED(hr)) return hr;
    }
    VARIANT value = {};
    value.vt = VT_ARRAY | VT_UI1;
    value.parray = array.get();
    return object->Put(name, 0, &value, kOwnType);
}

HRESULT PutObject(IWbemClassObject* object, const wchar_t* name, IUnknown* embedded) {
    VARIANT value = {};
    value.vt = VT_UNKNOWN;
    value.punkVal = embedded;
    return object->Put(name, 0, &value, kOwnType);
}

}  // namespace

HRESULT BiosInterface::FillInData(LONG command, const BYTE data[4]) {
    HRESULT hr = PutBytes(dataIn, L"Sign", kSignature);
    if (SUCCEEDED(hr)) hr = PutLong(dataIn, L"Command", command);
    if (SUCCEEDED(hr)) hr = PutLong(dataIn, L"CommandType", kCommandType);
    if (SUCCEEDED(hr)) hr = PutLong(dataIn, L"Size", kRecordSize);
    if (SUCCEEDED(hr)) hr = PutBytes(dataIn, L"tlvBData", data);
    if (SUCCEEDED(hr)) hr = PutObject(inParams, L"InData", dataIn);
    return hr;
}
