// What one call sends, in which order, and how it lets go of it.
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

// The one check of the whole record, step by step: the record is the wire format.
TEST_F(BiosRecord, WriteSendsTheRecordInOrderAndRunsTheMethodOnTheInstance) {
    firmware.setting = {0x5A, 0x3C, 0x7E, 0x81};
    BiosInterface bios = {};
    const BYTE data[4] = {0x11, 0x22, 0x33, 0x44};
    Bytes answer = {0xA5, 0xA5, 0xA5, 0xA5};

    EXPECT_EQ(bios.Call(kBiosWriteCommand, data, answer.data()), S_OK);

    const std::vector<std::string> expected = {
        "ConnectServer root\\wmi",
        "GetObject tlvBIntM",
        "GetMethod tlvBIOSInt4: tlvBIntM class",
        "SpawnInstance __PARAMETERS: tlvBIOSInt4 in-signature",
        "GetObject tlvBDataIn",
        "SpawnInstance tlvBDataIn: tlvBDataIn class",
        "Put Sign: tlvBDataIn instance, VT 0x2011, lbound 0, 53 45 43 55",
        "Put Command: tlvBDataIn instance, VT 0x3, 2",
        "Put CommandType: tlvBDataIn instance, VT 0x3, 44",
        "Put Size: tlvBDataIn instance, VT 0x3, 4",
        "Put tlvBData: tlvBDataIn instance, VT 0x2011, lbound 0, 11 22 33 44",
        "Put InData: tlvBIOSInt4 in-parameters, VT 0xD, tlvBDataIn instance",
        "CreateInstanceEnum tlvBIntM: flags 0x30",
        "Next: timeout 2000, count 1",
        "Get __PATH: tlvBIntM instance",
        kOnInstance,
        "Execute: command 2, rwReturnCode 0, data 11 22 33 44, answer 11 22 33 44",
        "Get OutData: tlvBIOSInt4 out-parameters",
        "QueryInterface tlvBDataOut: tlvBDataOut instance",
        "Get rwReturnCode: tlvBDataOut instance",
        "Get Data: tlvBDataOut instance",
    };
    EXPECT_EQ(firmware.JournalLines(), expected);
    EXPECT_EQ(Hex(firmware.setting), "11 22 33 44");
    EXPECT_EQ(Hex(answer), "11 22 33 44");
    ExpectAllReleased(bios);
}

TEST_F(BiosRecord, ReadSendsCommandOneAndTheSameFixedFields) {
    firmware.setting = {0x5A, 0x3C, 0x7E, 0x81};
    BiosInterface bios = {};
    const BYTE data[4] = {};
    Bytes answer = {};

    EXPECT_EQ(bios.Call(kBiosReadCommand, data, answer.data()), S_OK);

    const std::vector<std::string> expected = {
        "Put Sign: tlvBDataIn instance, VT 0x2011, lbound 0, 53 45 43 55",
        "Put Command: tlvBDataIn instance, VT 0x3, 1",
        "Put CommandType: tlvBDataIn instance, VT 0x3, 44",
        "Put Size: tlvBDataIn instance, VT 0x3, 4",
        "Put tlvBData: tlvBDataIn instance, VT 0x2011, lbound 0, 00 00 00 00",
        "Put InData: tlvBIOSInt4 in-parameters, VT 0xD, tlvBDataIn instance",
    };
    EXPECT_EQ(firmware.JournalLines("Put "), expected);
    EXPECT_EQ(Hex(answer), "5A 3C 7E 81");
    EXPECT_EQ(Hex(firmware.setting), "5A 3C 7E 81");
}

TEST_F(BiosRecord, AsksForTheAdministrativeLocatorAndSetsTheProcessSecurity) {
    BiosInterface bios = {};
    const BYTE data[4] = {};
    Bytes answer = {};
    bios.Call(kBiosReadCommand, data, answer.data());

    ASSERT_EQ(locatorRequests.size(), 1u);
    EXPECT_TRUE(IsEqualCLSID(locatorRequests[0].classId, CLSID_WbemAdministrativeLocator));
    EXPECT_FALSE(IsEqualCLSID(locatorRequests[0].classId, CLSID_WbemLocator));
    EXPECT_EQ(locatorRequests[0].outer, nullptr);
    EXPECT_EQ(locatorRequests[0].context, static_cast<DWORD>(CLSCTX_INPROC_SERVER));
    EXPECT_TRUE(IsEqualIID(locatorRequests[0].interfaceId, IID_IWbemLocator));

    ASSERT_EQ(securityRequests.size(), 1u);
    const SecurityRequest& security = securityRequests[0];
    EXPECT_EQ(security.descriptor, nullptr);
    EXPECT_EQ(security.authenticationServices, -1);
    EXPECT_EQ(security.services, nullptr);
    EXPECT_EQ(security.reserved1, nullptr);
    EXPECT_EQ(security.authenticationLevel, 2u);  // RPC_C_AUTHN_LEVEL_CONNECT
    EXPECT_EQ(security.impersonationLevel, 3u);   // RPC_C_IMP_LEVEL_IMPERSONATE
    EXPECT_EQ(security.authenticationList, nullptr);
    EXPECT_EQ(security.capabilities, 0u);  // EOAC_NONE
    EXPECT_EQ(security.reserved3, nullptr);
    EXPECT_EQ(bios.securityInitialised, 1);
}

TEST_F(BiosRecord, WithoutAnInstanceTheMethodRunsOnAnEmptyPath) {
    firmware.hasInstance = false;
    BiosInterface bios = {};
    const BYTE data[4] = {};
    Bytes answer = {0xA5, 0xA5, 0xA5, 0xA5};

    EXPECT_EQ(bios.Call(kBiosReadCommand, data, answer.data()), HRESULT(WBEM_E_INVALID_OBJECT_PATH));

    EXPECT_EQ(firmware.JournalLines("ExecMethod"),
              std::vector<std::string>{"ExecMethod tlvBIOSInt4: path \"\" -> 0x8004103A"});
    EXPECT_EQ(Hex(answer), "A5 A5 A5 A5");
    ExpectAllReleased(bios);
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
    const size_t released = firmware.ReleasedObjects().size();

    bios.ReleaseAll();  // nothing left to release
    EXPECT_EQ(firmware.ReleasedObjects().size(), released);
}

}  // namespace
