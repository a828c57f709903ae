#include <stdio.h>

#include "simulated_objects.h"

std::string Narrow(const wchar_t* text) {
    std::string narrow;
    for (; text && *text; ++text) narrow += *text < 0x80 ? static_cast<char>(*text) : '?';
    return narrow;
}

std::string DescribeValue(const VARIANT& value) {
    char type[32];
    // NOLINTNEXTLINE(cert-err33-c): the buffer holds the longest text
    snprintf(type, sizeof type, "VT 0x%X", value.vt);
    std::string text = type;
    if (value.vt == VT_I4) return text + ", " + std::to_string(value.lVal);
    if (value.vt == VT_BSTR) return text + ", \"" + Narrow(value.bstrVal) + "\"";
    if (value.vt == VT_UNKNOWN) {
        SimulatedObject* object = SimulatedObject::From(value.punkVal);
        return text + ", " + (object ? object->description() : value.punkVal ? "foreign object" : "null");
    }
    if (value.vt == (VT_ARRAY | VT_UI1)) {
        const SAFEARRAY* array = value.parray;
        if (!array) return text + ", no array";
        if (array->cDims != 1) return text + ", " + std::to_string(array->cDims) + " dimensions";
        return text + ", lbound " + std::to_string(array->rgsabound[0].lLbound) + ", " +
               HexBytes(static_cast<const BYTE*>(array->pvData), array->rgsabound[0].cElements);
    }
    return text;
}
