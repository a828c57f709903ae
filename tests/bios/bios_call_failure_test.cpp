// Every step of a call that can fail: what the call returns, what becomes of
// the answer, whether the record reached the firmware, and that nothing stays
// held. A write is used, so that a record that was not sent shows as a
// firmware setting left alone.
#include "firmware_fixture.h"

namespace {

// Platform functions that fail at their n-th call from the program.
int failAtCall = 0;
int callsSoFar = 0;
bool FailsNow() { return ++callsSoFar == failAtCall; }

SAFEARRAY* WINAPI CreateVectorFailing(VARTYPE type, LONG lowerBound, ULONG elements) {
    return FailsNow() ? nullptr : ::SafeArrayCreateVector(type, lowerBound, elements);
}
HRESULT WINAPI PutElementFailing(SAFEARRAY* array, LONG* index, void* element) {
    return FailsNow() ? DISP_E_BADINDEX : ::SafeArrayPutElement(array, index, element);
}
BSTR WINAPI AllocStringFailing(const OLECHAR* text) { return FailsNow() ? nullptr : ::SysAllocString(text); }
HRESULT WINAPI LocatorNotRegistered(REFCLSID, LPUNKNOWN, DWORD, REFIID, LPVOID* object) {
    *object = nullptr;
    return REGDB_E_CLASSNOTREG;
}

enum class Answer { AsPassed, Zeroed };

// clang-format off
struct CallFailure {
    const char* step;          // the firmware step that fails, or what the arrangement breaks
    HRESULT failure;           // planned for the firmware step
    void (*arrange)(SimulatedFirmware&);  // instead of the plan, when set
    HRESULT returned;
    Answer answer;
    bool sent;     // ExecMethod was called
    bool written;  // the firmware stored the data bytes
};
// clang-format on

std::ostream& operator<<(std::ostream& out, const CallFailure& row) { return out << row.step; }

// clang-format off
const CallFailure kFailures[] = {
    // step                         failure                      arrange
    //      returned                     answer            sent   written
    {"CoCreateInstance", 0, [](SimulatedFirmware&) { api().CoCreateInstance = LocatorNotRegistered; },
        REGDB_E_CLASSNOTREG,         Answer::AsPassed, false, false},
    {"ConnectServer root\\wmi",     HRESULT(WBEM_E_ACCESS_DENIED),        nullptr,
        HRESULT(WBEM_E_ACCESS_DENIED),        Answer::AsPassed, false, false},
    {"SysAllocString", 0, [](SimulatedFirmware&) { failAtCall = 1; api().SysAllocString = AllocStringFailing; },
        E_OUTOFMEMORY,               Answer::AsPassed, false, false},
    {"GetObject tlvBIntM",          HRESULT(WBEM_E_NOT_FOUND),            nullptr,
        HRESULT(WBEM_E_NOT_FOUND),            Answer::AsPassed, false, false},
    {"GetMethod tlvBIOSInt4",       HRESULT(WBEM_E_METHOD_NOT_IMPLEMENTED), nullptr,
        HRESULT(WBEM_E_METHOD_NOT_IMPLEMENTED), Answer::AsPassed, false, false},
    {"SpawnInstance __PARAMETERS",  HRESULT(WBEM_E_OUT_OF_MEMORY),        nullptr,
        HRESULT(WBEM_E_OUT_OF_MEMORY),        Answer::AsPassed, false, false},
    {"GetObject tlvBDataIn",        HRESULT(WBEM_E_INVALID_CLASS),        nullptr,
        HRESULT(WBEM_E_INVALID_CLASS),        Answer::AsPassed, false, false},
    {"SpawnInstance tlvBDataIn",    HRESULT(WBEM_E_FAILED),               nullptr,
        HRESULT(WBEM_E_FAILED),               Answer::AsPassed, false, false},
    {"Sign array", 0, [](SimulatedFirmware&) { failAtCall = 1; api().SafeArrayCreateVector = CreateVectorFailing; },
        E_OUTOFMEMORY,               Answer::AsPassed, false, false},
    {"Sign element 0", 0, [](SimulatedFirmware&) { failAtCall = 1; api().SafeArrayPutElement = PutElementFailing; },
        DISP_E_BADINDEX,             Answer::AsPassed, false, false},
    {"Put Sign",                    HRESULT(WBEM_E_TYPE_MISMATCH),        nullptr,
        HRESULT(WBEM_E_TYPE_MISMATCH),        Answer::AsPassed, false, false},
    {"Put Command",                 HRESULT(WBEM_E_TYPE_MISMATCH),        nullptr,
        HRESULT(WBEM_E_TYPE_MISMATCH),        Answer::AsPassed, false, false},
    {"Put CommandType",             HRESULT(WBEM_E_NOT_FOUND),            nullptr,
        HRESULT(WBEM_E_NOT_FOUND),            Answer::AsPassed, false, false},
    {"Put Size",                    HRESULT(WBEM_E_READ_ONLY),            nullptr,
        HRESULT(WBEM_E_READ_ONLY),            Answer::AsPassed, false, false},
    {"tlvBData array", 0, [](SimulatedFirmware&) { failAtCall = 2; api().SafeArrayCreateVector = CreateVectorFailing; },
        E_OUTOFMEMORY,               Answer::AsPassed, false, false},
    {"tlvBData element 2", 0, [](SimulatedFirmware&) { failAtCall = 7; api().SafeArrayPutElement = PutElementFailing; },
        DISP_E_BADINDEX,             Answer::AsPassed, false, false},
    {"Put tlvBData",                HRESULT(WBEM_E_TYPE_MISMATCH),        nullptr,
        HRESULT(WBEM_E_TYPE_MISMATCH),        Answer::AsPassed, false, false},
    {"Put InData",                  HRESULT(WBEM_E_TYPE_MISMATCH),        nullptr,
        HRESULT(WBEM_E_TYPE_MISMATCH),        Answer::AsPassed, false, false},
    {"CreateInstanceEnum tlvBIntM", HRESULT(WBEM_E_ACCESS_DENIED),        nullptr,
        HRESULT(WBEM_E_ACCESS_DENIED),        Answer::AsPassed, false, false},
    // Without the instance's path the method runs on an empty one, which this firmware refuses.
    {"Next",                        HRESULT(WBEM_E_TRANSPORT_FAILURE),    nullptr,
        HRESULT(WBEM_E_INVALID_OBJECT_PATH),  Answer::AsPassed, true,  false},
    {"no instance", 0, [](SimulatedFirmware& firmware) { firmware.hasInstance = false; },
        HRESULT(WBEM_E_INVALID_OBJECT_PATH),  Answer::AsPassed, true,  false},
    {"Get __PATH",                  HRESULT(WBEM_E_NOT_FOUND),            nullptr,
        HRESULT(WBEM_E_INVALID_OBJECT_PATH),  Answer::AsPassed, true,  false},
    {"ExecMethod tlvBIOSInt4",      HRESULT(WBEM_E_PROVIDER_FAILURE),     nullptr,
        HRESULT(WBEM_E_PROVIDER_FAILURE),     Answer::AsPassed, true,  false},
    {"Get OutData",                 HRESULT(WBEM_E_FAILED),               nullptr,
        HRESULT(WBEM_E_FAILED),               Answer::Zeroed,   true,  true},
    {"QueryInterface tlvBDataOut",  E_NOINTERFACE,               nullptr,
        E_NOINTERFACE,               Answer::Zeroed,   true,  true},
    {"Get rwReturnCode",            HRESULT(WBEM_E_NOT_FOUND),            nullptr,
        HRESULT(WBEM_E_NOT_FOUND),            Answer::Zeroed,   true,  true},
    {"Get Data",                    HRESULT(WBEM_E_NOT_FOUND),            nullptr,
        HRESULT(WBEM_E_NOT_FOUND),            Answer::Zeroed,   true,  true},
};
// clang-format on

class BiosCallFailure : public StandinFirmware, public ::testing::WithParamInterface<CallFailure> {};

TEST_P(BiosCallFailure, ReturnsTheFailureAndReleasesEverything) {
    const CallFailure& row = GetParam();
    failAtCall = 0;
    callsSoFar = 0;
    firmware.setting = {0x5A, 0x3C, 0x7E, 0x81};
    if (row.arrange) {
        row.arrange(firmware);
    } else {
        firmware.Fail(row.step, row.failure);
    }
    BiosInterface bios = {};
    const BYTE data[4] = {0x11, 0x22, 0x33, 0x44};
    Bytes answer = {0xA5, 0xA5, 0xA5, 0xA5};

    EXPECT_EQ(bios.Call(kBiosWriteCommand, data, answer.data()), row.returned);

    EXPECT_EQ(Hex(answer), row.answer == Answer::AsPassed ? "A5 A5 A5 A5" : "00 00 00 00");
    EXPECT_EQ(firmware.Count("ExecMethod tlvBIOSInt4"), row.sent ? 1u : 0u);
    EXPECT_EQ(Hex(firmware.setting), row.written ? "11 22 33 44" : "5A 3C 7E 81");
    if (!row.sent) {
        EXPECT_EQ(firmware.Count("Next"), 0u) << "the call went on after the failure";
    }
    ExpectAllReleased(bios);
}

INSTANTIATE_TEST_SUITE_P(EveryStep, BiosCallFailure, ::testing::ValuesIn(kFailures),
                         [](const ::testing::TestParamInfo<CallFailure>& info) {
                             std::string name;
                             for (const char* c = info.param.step; *c; ++c) {
                                 name += isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
                             }
                             return name;
                         });

}  // namespace
