// How the call reads the firmware's answer: the 4 elements of "Data" in the
// "OutData" object, and nothing else.
#include "firmware_fixture.h"

namespace {

LONG unfetchableIndex = -1;
HRESULT WINAPI GetElementFailingAtOneIndex(SAFEARRAY* array, LONG* index, void* element) {
    return *index == unfetchableIndex ? DISP_E_BADINDEX : ::SafeArrayGetElement(array, index, element);
}

struct AnswerCase {
    const char* name;
    Bytes setting;
    AnswerShape shape;
    LONG unfetchable;  // the index whose element cannot be fetched, or -1
    const char* answer;
    HRESULT returned;
};

std::ostream& operator<<(std::ostream& out, const AnswerCase& row) { return out << row.name; }

AnswerShape NoOutParameters() {
    AnswerShape shape;
    shape.outParameters = false;
    return shape;
}

const Bytes kSetting = {0x5A, 0x3C, 0x7E, 0x81};
// Anything but 4 bytes at indices 0 to 3 is reported, so that the uninstall
// writes nothing back; the bytes that could be copied stay as they are.
const HRESULT kIncomplete = WBEM_E_TYPE_MISMATCH;

// clang-format off
const AnswerCase kAnswers[] = {
    // name                setting                    shape                  unfetchable  answer         returned
    {"Copies01000000",     {0x01, 0x00, 0x00, 0x00}, AnswerShape(),          -1, "01 00 00 00", S_OK},
    {"CopiesFFFFFFFF",     {0xFF, 0xFF, 0xFF, 0xFF}, AnswerShape(),          -1, "FF FF FF FF", S_OK},
    {"CopiesFEFFFFFF",     {0xFE, 0xFF, 0xFF, 0xFF}, AnswerShape(),          -1, "FE FF FF FF", S_OK},
    {"Copies02000000",     {0x02, 0x00, 0x00, 0x00}, AnswerShape(),          -1, "02 00 00 00", S_OK},
    {"ThreeElements",      kSetting,                 Elements(3),            -1, "00 00 00 00", kIncomplete},
    {"FiveElements",       kSetting,                 Elements(5),            -1, "00 00 00 00", kIncomplete},
    // Element i lands in answer byte [index]; indices outside 0 to 3 are not copied.
    {"LowerBoundOne",      kSetting,                 LowerBound(1),          -1, "00 5A 3C 7E", kIncomplete},
    {"LowerBoundMinusOne", kSetting,                 LowerBound(-1),         -1, "3C 7E 81 00", kIncomplete},
    {"LowerBoundFour",     kSetting,                 LowerBound(4),          -1, "00 00 00 00", kIncomplete},
    {"DataNotAnArray",     kSetting,                 NotAnArray(),           -1, "00 00 00 00", kIncomplete},
    {"ElementUnfetchable", kSetting,                 AnswerShape(),           2, "5A 3C 00 81", kIncomplete},
    // No answer object: the bytes stay zero and the call says so, so that
    // nobody takes them for the firmware's setting.
    {"NoOutDataObject",    kSetting,                 NoOutDataObject(),      -1, "00 00 00 00", HRESULT(WBEM_E_NOT_FOUND)},
    {"NoOutParameters",    kSetting,                 NoOutParameters(),      -1, "00 00 00 00", HRESULT(WBEM_E_NOT_FOUND)},
};
// clang-format on

class BiosAnswer : public StandinFirmware, public ::testing::WithParamInterface<AnswerCase> {};

TEST_P(BiosAnswer, CopiesExactlyTheFourDataBytes) {
    const AnswerCase& row = GetParam();
    firmware.setting = row.setting;
    firmware.answerShape = row.shape;
    unfetchableIndex = row.unfetchable;
    api().SafeArrayGetElement = GetElementFailingAtOneIndex;
    BiosInterface bios = {};
    const BYTE data[4] = {};
    Bytes answer = {0xA5, 0xA5, 0xA5, 0xA5};

    EXPECT_EQ(bios.Call(kBiosReadCommand, data, answer.data()), row.returned);

    EXPECT_EQ(Hex(answer), row.answer);
    EXPECT_EQ(firmware.Count("Execute"), 1u);
    ExpectAllReleased(bios);
}

INSTANTIATE_TEST_SUITE_P(Shapes, BiosAnswer, ::testing::ValuesIn(kAnswers),
                         [](const ::testing::TestParamInfo<AnswerCase>& info) { return info.param.name; });

}  // namespace
