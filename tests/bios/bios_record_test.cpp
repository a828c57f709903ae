// What one call sends, in which order, and the orders it lets go of it in:
// the record is the wire format, and both release orders are promised.
#include <wbemprov.h>

#include <set>

#include "firmware_fixture.h"
#include "platform/owners.h"

namespace {

const std::string kOnInstance = "ExecMethod tlvBIOSInt4: path \"" + ToUtf8(SimulatedFirmware::InstancePath()) + "\"";

class BiosRecord : public StandinFirmware {};

// The BiosInterface's own objects in the order the firmware saw them go, as
// one line. What the call takes and lets go of by itself (the enumeration,
// the answer) only has to be released, in any order.
std::string FieldsReleased(const SimulatedFirmware& firmware) {
    // clang-format off
    const std::set<std::string> fields = {
        "locator", "services", "tlvBIntM class", "tlvBIOSInt4 in-signature", "tlvBIOSInt4 in-parameters",
        "tlvBIOSInt4 out-parameters", "tlvBDataIn class", "tlvBDataIn instance"};
    // clang-format on
    std::string order;
    for (const std::string& object : firmware.ReleasedObjects()) {
        if (fields.count(object)) order += (order.empty() ? "" : ", ") + object;
    }
    return order;
}

struct RecordCase {
    const char* name;
    long command;
    Bytes data;
    const char* commandPut;
    const char* dataPut;
    const char* setting;  // the firmware's, afterwards; the answer carries it
};

std::ostream& operator<<(std::ostream& out, const RecordCase& row) { return out << row.name; }

// clang-format off
const RecordCase kRecords[] = {
    {"Read",  kBiosReadCommand,  {},                       "Put Command: tlvBDataIn instance, VT 0x3, 1",
     "Put tlvBData: tlvBDataIn instance, VT 0x2011, lbound 0, 00 00 00 00", "5A 3C 7E 81"},
    {"Write", kBiosWriteCommand, {0x11, 0x22, 0x33, 0x44}, "Put Command: tlvBDataIn instance, VT 0x3, 2",
     "Put tlvBData: tlvBDataIn instance, VT 0x2011, lbound 0, 11 22 33 44", "11 22 33 44"},
};
// clang-format on

class BiosRecordSent : public BiosRecord, public ::testing::WithParamInterface<RecordCase> {};

// The record's properties, their order and their value types are the wire
// format that the firmware reads; the method runs on the instance's path.
TEST_P(BiosRecordSent, PutsTheWireFormatInOrderAndRunsTheMethodOnTheInstance) {
    const RecordCase& c = GetParam();
    firmware.setting = {0x5A, 0x3C, 0x7E, 0x81};
    BiosInterface bios = {};
    Bytes answer = {0xA5, 0xA5, 0xA5, 0xA5};

    EXPECT_EQ(bios.Call(c.command, c.data.data(), answer.data()), S_OK);

    const std::vector<std::string> expected = {
        "Put Sign: tlvBDataIn instance, VT 0x2011, lbound 0, 53 45 43 55",
        c.commandPut,
        "Put CommandType: tlvBDataIn instance, VT 0x3, 44",
        "Put Size: tlvBDataIn instance, VT 0x3, 4",
        c.dataPut,
        "Put InData: tlvBIOSInt4 in-parameters, VT 0xD, tlvBDataIn instance",
    };
    EXPECT_EQ(firmware.JournalLines("Put "), expected);
    EXPECT_EQ(firmware.JournalLines("ExecMethod"), std::vector<std::string>{kOnInstance});
    EXPECT_EQ(Hex(firmware.setting), c.setting);
    EXPECT_EQ(Hex(answer), c.setting);
    ExpectAllReleased(bios);
}

INSTANTIATE_TEST_SUITE_P(Commands, BiosRecordSent, ::testing::ValuesIn(kRecords),
                         [](const ::testing::TestParamInfo<RecordCase>& info) { return info.param.name; });

// The firmware's classes are reached only through the administrative locator,
// with the process's security at connect level and impersonation.
TEST_F(BiosRecord, AsksForTheAdministrativeLocatorAndSetsTheProcessSecurity) {
    BiosInterface bios = {};
    const BYTE data[4] = {};
    Bytes answer = {};
    bios.Call(kBiosReadCommand, data, answer.data());

    ASSERT_EQ(locatorRequests.size(), 1u);
    EXPECT_TRUE(IsEqualCLSID(locatorRequests[0].classId, CLSID_WbemAdministrativeLocator));
    ASSERT_EQ(securityRequests.size(), 1u);
    EXPECT_EQ(securityRequests[0].authenticationLevel, static_cast<DWORD>(RPC_C_AUTHN_LEVEL_CONNECT));
    EXPECT_EQ(securityRequests[0].impersonationLevel, static_cast<DWORD>(RPC_C_IMP_LEVEL_IMPERSONATE));
    EXPECT_EQ(bios.securityInitialised, 1);
}

TEST_F(BiosRecord, CallReleasesItsInterfacesInItsOrder) {
    BiosInterface bios = {};
    const BYTE data[4] = {};
    Bytes answer = {};
    bios.Call(kBiosReadCommand, data, answer.data());

    // The record's class goes before the record; the out-parameters went as the answer was read.
    EXPECT_EQ(FieldsReleased(firmware),
              "tlvBIOSInt4 out-parameters, tlvBDataIn class, tlvBDataIn instance, tlvBIOSInt4 in-parameters, "
              "tlvBIntM class, tlvBIOSInt4 in-signature, services, locator");
    ExpectAllReleased(bios);
}

TEST_F(BiosRecord, ReleaseAllReleasesEveryFieldInItsOrder) {
    BiosInterface bios = {};
    ASSERT_EQ(CreateSimulatedLocator(firmware, IID_IWbemLocator, bios.locator.put_void()), S_OK);
    Bstr wmi(L"root\\wmi"), interfaceClass(L"tlvBIntM"), dataInClass(L"tlvBDataIn"), method(L"tlvBIOSInt4");
    Bstr path(SimulatedFirmware::InstancePath());
    ASSERT_EQ(
        bios.locator->ConnectServer(wmi.get(), nullptr, nullptr, nullptr, 0, nullptr, nullptr, bios.services.put()),
        S_OK);
    ASSERT_EQ(bios.services->GetObject(interfaceClass.get(), 0, nullptr, bios.interfaceClass.put(), nullptr), S_OK);
    ASSERT_EQ(bios.interfaceClass->GetMethod(L"tlvBIOSInt4", 0, bios.inSignature.put(), nullptr), S_OK);
    ASSERT_EQ(bios.inSignature->SpawnInstance(0, bios.inParams.put()), S_OK);
    ASSERT_EQ(bios.services->GetObject(dataInClass.get(), 0, nullptr, bios.dataInClass.put(), nullptr), S_OK);
    ASSERT_EQ(bios.dataInClass->SpawnInstance(0, bios.dataIn.put()), S_OK);
    const BYTE data[4] = {};
    ASSERT_EQ(bios.FillInData(kBiosReadCommand, data), S_OK);
    ASSERT_EQ(bios.services->ExecMethod(path.get(), method.get(), 0, nullptr, bios.inParams.get(), bios.outParams.put(),
                                        nullptr),
              S_OK);

    bios.ReleaseAll();

    // The record goes before its class.
    EXPECT_EQ(FieldsReleased(firmware),
              "tlvBDataIn instance, tlvBDataIn class, tlvBIOSInt4 in-parameters, tlvBIOSInt4 out-parameters, "
              "tlvBIntM class, tlvBIOSInt4 in-signature, services, locator");
    ExpectAllReleased(bios);
}

}  // namespace
