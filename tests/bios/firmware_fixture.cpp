#include "firmware_fixture.h"

#include <wbemprov.h>

const std::vector<LocatorRequest>& StandinFirmware::locatorRequests = StandinClassRequests();
std::vector<SecurityRequest> StandinFirmware::securityRequests;
HRESULT StandinFirmware::securityResult = S_OK;

namespace {

HRESULT WINAPI RecordSecurity(PSECURITY_DESCRIPTOR, LONG, SOLE_AUTHENTICATION_SERVICE*, void*,
                              DWORD authenticationLevel, DWORD impersonationLevel, void*, DWORD, void*) {
    StandinFirmware::securityRequests.push_back({authenticationLevel, impersonationLevel});
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
    EXPECT_TRUE(EveryFieldEmpty(bios));
}

testing::AssertionResult EveryFieldEmpty(const BiosInterface& bios) {
    const void* fields[] = {bios.locator.get(),   bios.services.get(),       bios.inParams.get(),
                            bios.outParams.get(), bios.interfaceClass.get(), bios.inSignature.get(),
                            bios.dataIn.get(),    bios.dataInClass.get()};
    for (const void* field : fields) {
        if (field) return testing::AssertionFailure() << "a field still holds an interface";
    }
    return testing::AssertionSuccess();
}

size_t StandinFirmware::WmiLocatorRequests() {
    size_t count = 0;
    for (const LocatorRequest& request : locatorRequests) {
        count += IsEqualCLSID(request.classId, CLSID_WbemAdministrativeLocator) ? 1 : 0;
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
