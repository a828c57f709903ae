// The sandbox's firmware files as the firmware's COM server reads them: each
// line of firmware-scenario.txt plans what it says. The server's journal of a
// file it cannot read is checked end to end (tests/e2e/firmware_server_e2e_test.cpp).
#include <gtest/gtest.h>

#include "firmware_scenario.h"
#include "test_support.h"

namespace {

const std::wstring kFolder = L"C:\\firmware-scenario-test";

// What a scenario changed from a firmware that answers every call, as one line.
std::string Planned(const SimulatedFirmware& firmware) {
    const AnswerShape& shape = firmware.answerShape;
    std::string planned;
    if (const HRESULT failure = firmware.Planned("GetObject tlvBIntM"); FAILED(failure)) {
        char text[16];
        snprintf(text, sizeof text, "%08lX", static_cast<unsigned long>(failure));
        planned += std::string("GetObject tlvBIntM fails with ") + text + "; ";
    }
    if (!firmware.hasInstance) planned += "no instance; ";
    if (shape.dataElements != 4) planned += std::to_string(shape.dataElements) + " elements; ";
    if (shape.dataLowerBound != 0) planned += "lower bound " + std::to_string(shape.dataLowerBound) + "; ";
    if (!shape.dataIsArray) planned += "not an array; ";
    if (!shape.outDataObject) planned += "no OutData; ";
    if (!shape.outParameters) planned += "no out-parameters; ";
    return planned;
}

struct ScenarioCase {
    const char* name;
    const char* scenario;  // nullptr: no scenario file
    const char* planned;
};

// clang-format off
const ScenarioCase kScenarios[] = {
    {"NoFile",          nullptr,                                                ""},
    {"Failure",         "# comment\r\n\r\nfail GetObject tlvBIntM 0x80041002\r\n", "GetObject tlvBIntM fails with 80041002; "},
    {"NoInstance",      "no instance\n",                                        "no instance; "},
    {"ThreeElements",   "data elements 3\n",                                    "3 elements; "},
    {"LowerBoundOne",   "data lower bound 1\n",                                 "lower bound 1; "},
    {"NotAnArray",      "data not an array\n",                                  "not an array; "},
    {"NoOutData",       "no OutData object\n",                                  "no OutData; "},
    {"NoOutParameters", "no out-parameters\n",                                  "no out-parameters; "},
};
// clang-format on

class FirmwareScenario : public ::testing::TestWithParam<ScenarioCase> {
protected:
    void TearDown() override { RemoveTree(kFolder); }
};

TEST_P(FirmwareScenario, EachLinePlansWhatItSays) {
    const ScenarioCase& c = GetParam();
    MakeFolders(kFolder);
    const ScenarioFiles files = ScenarioFilesIn(kFolder);
    WriteFileBytes(files.setting, "5A 3C 7E 81\n");
    if (c.scenario) WriteFileBytes(files.scenario, c.scenario);
    SimulatedFirmware firmware;
    firmware.Fail("GetObject tlvBIntM", E_FAIL);  // an earlier scenario's plan, which the file replaces
    firmware.answerShape.dataElements = 5;

    std::string error;
    EXPECT_TRUE(LoadScenario(files, firmware, &error)) << error;
    EXPECT_EQ(Planned(firmware), c.planned);
    EXPECT_EQ(HexBytes(firmware.setting.data(), 4), "5A 3C 7E 81");
}

INSTANTIATE_TEST_SUITE_P(Lines, FirmwareScenario, ::testing::ValuesIn(kScenarios),
                         [](const ::testing::TestParamInfo<ScenarioCase>& info) { return info.param.name; });

}  // namespace
