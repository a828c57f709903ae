#include "bios/bios_interface.h"

// Not built yet: reports a failure and leaves the answer as passed.
HRESULT BiosInterface::Call(LONG, const BYTE*, BYTE*) { return E_NOTIMPL; }

void BiosInterface::ReleaseAll() {}
