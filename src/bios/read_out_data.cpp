#include "bios/bios_interface.h"
#include "platform/owners.h"
#include "platform/steps.h"

namespace {

constexpr LONG kAnswerBytes = 4;
// The method ran but gave no answer object: the answer stays zero, and a
// caller must not take it for the firmware's setting.
constexpr HRESULT kNoAnswer = WBEM_E_NOT_FOUND;
// "Data" was not 4 bytes at indices 0 to 3: what could be copied is kept, but
// the uninstall must not write back bytes that were never read.
constexpr HRESULT kIncompleteAnswer = WBEM_E_TYPE_MISMATCH;

// Answer byte i is the array's element at index i, for the indices 0 to 3
// that the array has. Anything but 4 unsigned bytes is not an answer.
HRESULT CopyAnswerBytes(const VARIANT& data, BYTE answer[4]) {
    if (data.vt != (VT_ARRAY | VT_UI1) || !data.parray) return kIncompleteAnswer;
    SAFEARRAY* array = data.parray;
    if (array->cDims != 1 || array->rgsabound[0].cElements != kAnswerBytes) return kIncompleteAnswer;
    LONG first = array->rgsabound[0].lLbound < 0 ? 0 : array->rgsabound[0].lLbound;
    LONG copied = 0;
    for (LONG index = first; index < kAnswerBytes; ++index) {
        BYTE element = 0;
        if (api().SafeArrayGetElement(array, &index, &element) == S_OK) {
            answer[index] = element;
            ++copied;
        }
    }
    return copied == kAnswerBytes ? S_OK : kIncompleteAnswer;
}

HRESULT ReadAnswerObject(IWbemClassObject* answerObject, BYTE answer[4]) {
    Variant value;
    const HRESULT returnCode = answerObject->Get(L"rwReturnCode", 0, value.get(), nullptr, nullptr);
    value.reset();  // only the bytes of "Data" reach the caller
    RETURN_IF_FAILED(returnCode);
    RETURN_IF_FAILED(answerObject->Get(L"Data", 0, value.get(), nullptr, nullptr));
    return CopyAnswerBytes(*value.get(), answer);
}

}  // namespace

HRESULT BiosInterface::ReadOutData(BYTE answer[4]) {
    for (LONG index = 0; index < kAnswerBytes; ++index) answer[index] = 0;

    Variant outData;
    if (outParams) {
        RETURN_IF_FAILED(outParams->Get(L"OutData", 0, outData.get(), nullptr, nullptr));
        outParams.reset();
    }
    IUnknown* embedded = outData->vt == VT_UNKNOWN ? outData->punkVal : nullptr;
    if (!embedded) return kNoAnswer;

    ComPtr<IWbemClassObject> answerObject;
    RETURN_IF_FAILED(embedded->QueryInterface(IID_IWbemClassObject, answerObject.put_void()));
    return ReadAnswerObject(answerObject.get(), answer);
}
