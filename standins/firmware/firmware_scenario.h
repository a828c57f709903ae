#pragma once
// The files in which the firmware's COM server keeps the simulated firmware
// from one process to the next, all in one folder (the layout and the formats
// are described at the top of firmware_server.cpp).
#include <array>
#include <string>

#include "simulated_firmware.h"

struct ScenarioFiles {
    std::wstring setting;   // the 4-byte setting, "5A 3C 7E 81"
    std::wstring scenario;  // optional: failures and the answer's shape
    std::wstring journal;   // every journal entry, one line each
};

ScenarioFiles ScenarioFilesIn(const std::wstring& folder);

// Gives the firmware the setting and the scenario from the files, replacing
// what an earlier scenario planned. False, with the reason, when the setting
// file is missing or a line is not understood.
bool LoadScenario(const ScenarioFiles& files, SimulatedFirmware& firmware, std::string* error);

// Both write at once, so that nothing is lost when the process ends.
void SaveSetting(const std::wstring& path, const std::array<BYTE, 4>& setting);
void AppendJournalLine(const std::wstring& path, const std::string& line);
