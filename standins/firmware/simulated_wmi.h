#pragma once
// The WMI objects that serve a SimulatedFirmware: the locator, the
// "root\wmi" services, the tlvBIntM enumerator and the class objects and
// instances of tlvBIntM, tlvBDataIn, the method's parameters and its answer.
// Each object holds a reference to nothing but the firmware, which must
// outlive them. Calls the program never makes return WBEM_E_NOT_SUPPORTED.
#include <windows.h>
#include <wbemcli.h>

#include "simulated_firmware.h"

// A new locator connected to the firmware, as CoCreateInstance would give it.
HRESULT CreateSimulatedLocator(SimulatedFirmware& firmware, REFIID iid, void** object);
