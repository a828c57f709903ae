#include "bios/bios_interface.h"

void BiosInterface::ReleaseAll() {
    // The data-in instance goes before its class here, unlike after a call
    // (BiosInterface::Call): the firmware's provider sees the order, so each
    // order is part of what the program promises the firmware, and each is
    // pinned by its own test (BiosRecord.ReleaseAllReleasesEveryFieldInItsOrder).
    // Do not make them the same.
    dataIn.reset();
    dataInClass.reset();
    inParams.reset();
    outParams.reset();
    interfaceClass.reset();
    inSignature.reset();
    services.reset();
    locator.reset();
}
