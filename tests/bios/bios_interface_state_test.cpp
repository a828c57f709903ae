// What one BiosInterface keeps from one call to the next: only the security flag.
#include "firmware_fixture.h"

namespace {

class BiosInterfaceState : public StandinFirmware {};

TEST_F(BiosInterfaceState, SecondCallKeepsTheSecurityFlagAndBuildsTheWholeConnectionAnew) {
    firmware.setting = {0x5A, 0x3C, 0x7E, 0x81};
    BiosInterface bios = {};
    const BYTE read[4] = {};
    Bytes answer = {};

    EXPECT_EQ(bios.Call(kBiosReadCommand, read, answer.data()), S_OK);
    EXPECT_EQ(bios.securityInitialised, 1);
    ExpectAllReleased(bios);

    const BYTE write[4] = {0x11, 0x22, 0x33, 0x44};
    EXPECT_EQ(bios.Call(kBiosWriteCommand, write, answer.data()), S_OK);

    EXPECT_EQ(securityRequests.size(), 1u);
    EXPECT_EQ(bios.securityInitialised, 1);
    EXPECT_EQ(locatorRequests.size(), 2u);
    EXPECT_EQ(firmware.Count("ConnectServer root\\wmi"), 2u);
    EXPECT_EQ(Hex(firmware.setting), "11 22 33 44");
    ExpectAllReleased(bios);
}

TEST_F(BiosInterfaceState, FailedSecurityIsPassedOverAndTriedAgainByTheNextCall) {
    securityResult = RPC_E_TOO_LATE;
    BiosInterface bios = {};
    const BYTE data[4] = {};
    Bytes answer = {};

    EXPECT_EQ(bios.Call(kBiosReadCommand, data, answer.data()), S_OK);
    EXPECT_EQ(bios.securityInitialised, 0);
    EXPECT_EQ(firmware.Count("Execute"), 1u);

    securityResult = S_OK;
    EXPECT_EQ(bios.Call(kBiosReadCommand, data, answer.data()), S_OK);
    EXPECT_EQ(securityRequests.size(), 2u);
    EXPECT_EQ(bios.securityInitialised, 1);

    EXPECT_EQ(bios.Call(kBiosReadCommand, data, answer.data()), S_OK);
    EXPECT_EQ(securityRequests.size(), 2u);
    ExpectAllReleased(bios);
}

TEST_F(BiosInterfaceState, FailedFillSpoilsOnlyItsOwnCall) {
    firmware.setting = {0x5A, 0x3C, 0x7E, 0x81};
    firmware.Fail("Put Command", HRESULT(WBEM_E_TYPE_MISMATCH));
    const BYTE data[4] = {0x11, 0x22, 0x33, 0x44};
    Bytes answer = {};
    BiosInterface first = {};
    EXPECT_EQ(first.Call(kBiosWriteCommand, data, answer.data()), HRESULT(WBEM_E_TYPE_MISMATCH));
    EXPECT_EQ(firmware.Count("ExecMethod tlvBIOSInt4"), 0u);

    firmware.ClearFailures();
    BiosInterface second = {};
    EXPECT_EQ(second.Call(kBiosWriteCommand, data, answer.data()), S_OK);

    // The whole record reached the firmware: it stored the data bytes.
    EXPECT_EQ(Hex(firmware.setting), "11 22 33 44");
    ExpectAllReleased(second);
}

}  // namespace
