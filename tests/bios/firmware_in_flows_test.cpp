// The install and uninstall flows against the simulated firmware, and the
// BIOS interface call against Wine's own WMI, which has no firmware classes.
#include "control_panel_keys.h"
#include "firmware_fixture.h"
#include "message_boxes.h"
#include "setup/setup_command.h"

namespace {

void ExpectRefusal(int exitCode) {
    EXPECT_EQ(exitCode, 1603);
    EXPECT_NE(SetupLog().find(kRefusalLine), std::string::npos) << SetupLog();
    const std::vector<ShownMessage>& boxes = ShownMessages();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, L"Your product does not support Tarvo Quelmar.");
    EXPECT_EQ(boxes[0].caption, L"Tarvo Quelmar Setup");
    EXPECT_EQ(boxes[0].style, 0x1010u);
}

class FirmwareInFlows : public StandinFirmware {
protected:
    FirmwareInFlows() {
        DeleteFileW(SetupLogPath().c_str());
        RecordMessageBoxes();
    }
};

TEST_F(FirmwareInFlows, UninstallWritesTheSettingBackWithItsMiddleBytesCleared) {
    firmware.setting = {0x5A, 0x3C, 0x7E, 0x81};

    EXPECT_EQ(RunSetupCommand(L"-uninstall"), 0);

    const std::vector<std::string> executed = {
        "Execute: command 1, rwReturnCode 0, data 00 00 00 00, answer 5A 3C 7E 81",
        "Execute: command 2, rwReturnCode 0, data 5A 00 00 81, answer 5A 00 00 81",
    };
    EXPECT_EQ(firmware.JournalLines("Execute"), executed);
    EXPECT_EQ(Hex(firmware.setting), "5A 00 00 81");
    EXPECT_EQ(firmware.LiveObjects(), 0);
    EXPECT_EQ(firmware.OutstandingReferences(), 0);
}

struct FailedRead {
    const char* name;
    const char* step;
    HRESULT failure;
    size_t readRecords;  // read records put before the read failed: 0 or 1
};
std::ostream& operator<<(std::ostream& out, const FailedRead& row) { return out << row.name; }

const FailedRead kFailedReads[] = {
    {"FirmwareClassMissing", "GetObject tlvBIntM", HRESULT(WBEM_E_NOT_FOUND), 0},
    {"MethodFailed", "ExecMethod tlvBIOSInt4", HRESULT(WBEM_E_PROVIDER_FAILURE), 1},
    {"AnswerUnreadable", "Get Data", HRESULT(WBEM_E_FAILED), 1},
};

class UninstallAfterFailedRead : public StandinFirmware, public ::testing::WithParamInterface<FailedRead> {};

TEST_P(UninstallAfterFailedRead, SendsNoWriteAndLeavesTheSettingAlone) {
    firmware.setting = {0x5A, 0x3C, 0x7E, 0x81};
    firmware.Fail(GetParam().step, GetParam().failure);

    EXPECT_EQ(RunSetupCommand(L"-uninstall"), 0);

    EXPECT_EQ(Hex(firmware.setting), "5A 3C 7E 81");
    EXPECT_EQ(WmiLocatorRequests(), 1u);
    EXPECT_EQ(firmware.JournalLines("Put Command:"),
              std::vector<std::string>(GetParam().readRecords, "Put Command: tlvBDataIn instance, VT 0x3, 1"));
    EXPECT_EQ(firmware.LiveObjects(), 0);
    EXPECT_EQ(firmware.OutstandingReferences(), 0);
}

INSTANTIATE_TEST_SUITE_P(Reads, UninstallAfterFailedRead, ::testing::ValuesIn(kFailedReads),
                         [](const ::testing::TestParamInfo<FailedRead>& info) { return info.param.name; });

struct SupportCase {
    Bytes setting;
    bool supported;
};

// Only bit 0 of the first answer byte decides. A supported install goes on to
// the logon task, which no Task Scheduler serves here; the Control Panel item
// is denied, so that nothing is left in the registry.
TEST_F(FirmwareInFlows, OnlyBitZeroOfTheFirstByteDecides) {
    api().RegCreateKeyExW = DenyEveryKey;
    // clang-format off
    const SupportCase kSettings[] = {
        {{0x00, 0x00, 0x00, 0x00}, false},
        {{0xFE, 0xFF, 0xFF, 0xFF}, false},
        {{0x02, 0x01, 0x01, 0x01}, false},
        {{0x03, 0x00, 0x00, 0x00}, true},
        {{0x81, 0x00, 0x00, 0x00}, true},
    };
    // clang-format on
    for (const SupportCase& c : kSettings) {
        SCOPED_TRACE(Hex(c.setting));
        ShownMessages().clear();
        DeleteFileW(SetupLogPath().c_str());
        firmware.setting = c.setting;

        EXPECT_EQ(RunSetupCommand(L"-install"), 1603);

        const std::string log = SetupLog();
        EXPECT_EQ(log.rfind(kRefusalLine, 0) == 0, !c.supported) << log;
        EXPECT_EQ(log.find(kTaskFailedLine) != std::string::npos, c.supported) << log;
        EXPECT_EQ(ShownMessages().size(), c.supported ? 0u : 1u);
        EXPECT_EQ(Hex(firmware.setting), Hex(c.setting));
    }
    EXPECT_EQ(firmware.JournalLines("Put Command:"),
              std::vector<std::string>(5, "Put Command: tlvBDataIn instance, VT 0x3, 1"));
    EXPECT_EQ(firmware.LiveObjects(), 0);
}

// Wine's own administrative locator connects to "root\wmi", which has no
// firmware classes.
class RealWineWmi : public ::testing::Test {
protected:
    RealWineWmi() {
        DeleteFileW(SetupLogPath().c_str());
        RecordMessageBoxes();
    }
    ApiRestore restore;
};

TEST_F(RealWineWmi, CallFailsAtGetObjectAndLeavesTheAnswerZero) {
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    BiosInterface bios = {};
    const BYTE data[4] = {};
    Bytes answer = {};

    EXPECT_EQ(bios.Call(kBiosReadCommand, data, answer.data()), static_cast<HRESULT>(0x80041002));

    EXPECT_EQ(Hex(answer), "00 00 00 00");
    EXPECT_TRUE(EveryFieldEmpty(bios));
    CoUninitialize();
}

TEST_F(RealWineWmi, InstallIsRefused) { ExpectRefusal(RunSetupCommand(L"-install")); }

}  // namespace
