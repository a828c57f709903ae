#include "bios/bios_interface.h"
#include "platform/owners.h"
#include "platform/steps.h"

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
        RETURN_IF_FAILED(api().SafeArrayPutElement(array.get(), &index, &element));
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
    RETURN_IF_FAILED(PutBytes(dataIn.get(), L"Sign", kSignature));
    RETURN_IF_FAILED(PutLong(dataIn.get(), L"Command", command));
    RETURN_IF_FAILED(PutLong(dataIn.get(), L"CommandType", kCommandType));
    RETURN_IF_FAILED(PutLong(dataIn.get(), L"Size", kRecordSize));
    RETURN_IF_FAILED(PutBytes(dataIn.get(), L"tlvBData", data));
    return PutObject(inParams.get(), L"InData", dataIn.get());
}
