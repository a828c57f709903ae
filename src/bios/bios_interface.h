#pragma once
// The firmware's BIOS interface over WMI ("root\wmi"): one call sends a
// command record and reads back 4 answer bytes.
#include <wbemcli.h>

#include "platform/owners.h"
#include "platform/windows.h"

struct BiosInterface {
    LONG securityInitialised;  // set once CoInitializeSecurity succeeded; never cleared
    ComPtr<IWbemLocator> locator;
    ComPtr<IWbemServices> services;
    ComPtr<IWbemClassObject> inParams;
    ComPtr<IWbemClassObject> outParams;
    ComPtr<IWbemClassObject> interfaceClass;
    ComPtr<IWbemClassObject> inSignature;
    ComPtr<IWbemClassObject> dataIn;
    ComPtr<IWbemClassObject> dataInClass;

    // Sends the command with the 4 data bytes and reads the 4 answer bytes.
    // The answer is left as passed unless the method was executed.
    HRESULT Call(LONG command, const BYTE data[4], BYTE answer[4]);
    // Releases every interface still held, each field emptied.
    void ReleaseAll();

    // Steps of Call. FillInData puts the command record on dataIn and hands
    // it to inParams as "InData"; it stops at the first failure and returns it.
    HRESULT FillInData(LONG command, const BYTE data[4]);
    // Zeroes the answer, then copies the "Data" bytes of the answer in outParams.
    HRESULT ReadOutData(BYTE answer[4]);
};

constexpr LONG kBiosReadCommand = 1;
constexpr LONG kBiosWriteCommand = 2;
