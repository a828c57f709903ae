#include "bios/bios_interface.h"
#include "bios/release_field.h"

void BiosInterface::ReleaseAll() {
    ReleaseField(dataIn);
    ReleaseField(dataInClass);
    ReleaseField(inParams);
    ReleaseField(outParams);
    ReleaseField(interfaceClass);
    ReleaseField(inSignature);
    ReleaseField(services);
    ReleaseField(locator);
}
