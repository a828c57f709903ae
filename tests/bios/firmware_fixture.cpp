#include "firmware_fixture.h"

#include <wbemprov.h>

const std::vector<LocatorRequest>& StandinFirmware::locatorRequests = StandinClassRequests();
std::vector<SecurityRequest> StandinFirmware::securityRequests;
HRESULT StandinFirmware::securityResult = S_OK;

namespace {

HRESULT WINAPI RecordSecurity(PSECURITY_DESCRIPTOR descriptor, LONG authenticationServices,
                              SOLE_AUTHENTICATION_SERVICE* services, void* reserved1, DWORD authenticationLevel,
                              DWORD impersonationLevel, void* authenticationList, DWORD capabilities, void* reserved3) {
    StandinFirmware::securityRequests.push_back({descriptor, authenticationServices, services, reserved1,
                                                 authenticationLevel, impersonationLevel, authenticationList,
                                                 capabilities, reserved3});
    return StandinFirmware::securityResult;
}

}  // namespace

StandinFirmware::StandinFirmware() {
    securityRequests.clear();
    securityResult = S_OK;
    // No Task Scheduler is served: the uninstall's task removal finds none.
    ServeStandins(&firmware, nullptr);
    api().CoInitializeSecurity = RecordSecurity;
}

void StandinFirmware::ExpectAllReleased(const BiosInterface& bios) const {
    EXPECT_EQ(firmware.LiveObjects(), 0);
    EXPECT_EQ(firmware.OutstandingReferences(), 0);
    const void* fields[] = {bios.locator.get(),   bios.services.get(),       bios.inParams.get(),
                            bios.outParams.get(), bios.interfaceClass.get(), bios.inSignature.get(),
                            bios.dataIn.get(),    bios.dataInClass.get()};
    for (const void* field : fields) EXPECT_EQ(field, nullptr);
}

size_t StandinFirmware::WmiLocatorRequests() {
    size_t count = 0;
    for (const LocatorRequest& request : locatorRequests) {
        count += IsEqualCLSID(request.classId, CLSID_WbemAdministrativeLocator) ? 1 : 0;
    }
    return count;
}

size_t StandinFirmware::FirmwareSecurityRequests() {
    size_t count = 0;
    for (const SecurityRequest& request : securityRequests) {
        count += request.authenticationLevel == RPC_C_AUTHN_LEVEL_CONNECT ? 1 : 0;
    }
    return count;
}

std::string Hex(const Bytes& bytes) { return HexBytes(bytes.data(), bytes.size()); }

AnswerShape Elements(ULONG count) {
    AnswerShape shape;
    shape.dataElements = count;
    return shape;
}
AnswerShape LowerBound(LONG bound) {
    AnswerShape shape;
    shape.dataLowerBound = bound;
    return shape;
}
AnswerShape NotAnArray() {
    AnswerShape shape;
    shape.dataIsArray = false;
    return shape;
}
AnswerShape NoOutDataObject() {
    AnswerShape shape;
    shape.outDataObject = false;
    return shape;
}
