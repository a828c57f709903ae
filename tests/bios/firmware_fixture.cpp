#include "firmware_fixture.h"

#include <wbemprov.h>

SimulatedFirmware* FirmwareTest::current = nullptr;
std::vector<LocatorRequest> FirmwareTest::locatorRequests;
std::vector<SecurityRequest> FirmwareTest::securityRequests;
HRESULT FirmwareTest::securityResult = S_OK;

namespace {

HRESULT WINAPI HandOutSimulatedLocator(REFCLSID classId, LPUNKNOWN outer, DWORD context, REFIID iid,
                                       LPVOID* object) {
    FirmwareTest::locatorRequests.push_back({classId, outer, context, iid});
    // Nothing else is served: the uninstall's task removal finds no Task Scheduler.
    if (!IsEqualCLSID(classId, CLSID_WbemAdministrativeLocator)) {
        *object = nullptr;
        return REGDB_E_CLASSNOTREG;
    }
    return CreateSimulatedLocator(*FirmwareTest::current, iid, object);
}

HRESULT WINAPI RecordSecurity(PSECURITY_DESCRIPTOR descriptor, LONG authenticationServices,
                              SOLE_AUTHENTICATION_SERVICE* services, void* reserved1, DWORD authenticationLevel,
                              DWORD impersonationLevel, void* authenticationList, DWORD capabilities,
                              void* reserved3) {
    FirmwareTest::securityRequests.push_back({descriptor, authenticationServices, services, reserved1,
                                              authenticationLevel, impersonationLevel, authenticationList,
                                              capabilities, reserved3});
    return FirmwareTest::securityResult;
}

}  // namespace

FirmwareTest::FirmwareTest() {
    current = &firmware;
    locatorRequests.clear();
    securityRequests.clear();
    securityResult = S_OK;
    api().CoCreateInstance = HandOutSimulatedLocator;
    api().CoInitializeSecurity = RecordSecurity;
}

FirmwareTest::~FirmwareTest() { current = nullptr; }

void FirmwareTest::ExpectAllReleased(const BiosInterface& bios) const {
    EXPECT_EQ(firmware.LiveObjects(), 0);
    EXPECT_EQ(firmware.OutstandingReferences(), 0);
    const void* fields[] = {bios.locator.get(),        bios.services.get(),    bios.inParams.get(),
                            bios.outParams.get(),      bios.interfaceClass.get(), bios.inSignature.get(),
                            bios.dataIn.get(),         bios.dataInClass.get()};
    for (const void* field : fields) EXPECT_EQ(field, nullptr);
}

size_t FirmwareTest::WmiLocatorRequests() {
    size_t count = 0;
    for (const LocatorRequest& request : locatorRequests) {
        count += IsEqualCLSID(request.classId, CLSID_WbemAdministrativeLocator) ? 1 : 0;
    }
    return count;
}

size_t FirmwareTest::FirmwareSecurityRequests() {
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
