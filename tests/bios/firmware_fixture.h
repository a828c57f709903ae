#pragma once
// Tests of the BIOS interface call against the simulated firmware: the
// platform's CoCreateInstance hands out the simulated locator, and
// CoInitializeSecurity is recorded.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "bios/bios_interface.h"
#include "simulated_wmi.h"
#include "standin_classes.h"
#include "test_support.h"

using Bytes = std::array<BYTE, 4>;

// What the call asked CoCreateInstance for, and the levels it asked
// CoInitializeSecurity for.
using LocatorRequest = ClassRequest;
struct SecurityRequest {
    DWORD authenticationLevel;
    DWORD impersonationLevel;
};

class StandinFirmware : public ::testing::Test {
public:
    // Every CoCreateInstance of the test, and what the swapped security set-up saw.
    static const std::vector<LocatorRequest>& locatorRequests;
    static std::vector<SecurityRequest> securityRequests;
    static HRESULT securityResult;  // what CoInitializeSecurity answers

    // The requests for the administrative locator.
    static size_t WmiLocatorRequests();

protected:
    StandinFirmware();

    // Every simulated object gone, no reference outstanding, every field empty.
    void ExpectAllReleased(const BiosInterface& bios) const;

    ApiRestore restore;
    SimulatedFirmware firmware;
};

// No field of the BiosInterface holds an interface.
testing::AssertionResult EveryFieldEmpty(const BiosInterface& bios);

// "5A 00 00 81", to compare answers readably.
std::string Hex(const Bytes& bytes);

// Answers shaped other than as 4 unsigned bytes at indices 0 to 3.
AnswerShape Elements(ULONG count);
AnswerShape LowerBound(LONG bound);
AnswerShape NotAnArray();
AnswerShape NoOutDataObject();
