#include "simulated_objects.h"

namespace {

// "Data" as the firmware is told to shape it: the answer bytes, cut or padded with 0.
VARIANT MakeData(const AnswerShape& shape, const std::array<BYTE, 4>& answer) {
    VARIANT data;
    VariantInit(&data);
    if (!shape.dataIsArray) {
        data.vt = VT_I4;
        data.lVal = answer[0] | answer[1] << 8 | answer[2] << 16 | answer[3] << 24;
        return data;
    }
    data.vt = VT_ARRAY | VT_UI1;
    data.parray = SafeArrayCreateVector(VT_UI1, shape.dataLowerBound, shape.dataElements);
    BYTE* elements = static_cast<BYTE*>(data.parray->pvData);
    for (ULONG i = 0; i < shape.dataElements; ++i) elements[i] = i < answer.size() ? answer[i] : 0;
    return data;
}

}  // namespace

IWbemClassObject* MakeAnswer(SimulatedFirmware& firmware, LONG returnCode, const std::array<BYTE, 4>& answer) {
    const AnswerShape& shape = firmware.answerShape;
    SimulatedObject* outParameters = nullptr;
    HandOut<SimulatedObject>(&outParameters, firmware, L"__PARAMETERS", SimulatedObject::Kind::Instance,
                             "tlvBIOSInt4 out-parameters");
    VARIANT outData;
    VariantInit(&outData);
    if (shape.outDataObject) {
        SimulatedObject* dataOut = nullptr;
        HandOut<SimulatedObject>(&dataOut, firmware, L"tlvBDataOut", SimulatedObject::Kind::Instance,
                                 "tlvBDataOut instance");
        VARIANT value;
        value.vt = VT_I4;
        value.lVal = returnCode;
        dataOut->Set(L"rwReturnCode", value);
        VARIANT data = MakeData(shape, answer);
        dataOut->Set(L"Data", data);
        VariantClear(&data);
        outData.vt = VT_UNKNOWN;
        outData.punkVal = dataOut;  // the variant takes over the one reference
    } else {
        outData.vt = VT_NULL;
    }
    outParameters->Set(L"OutData", outData);
    VariantClear(&outData);
    return outParameters;
}
