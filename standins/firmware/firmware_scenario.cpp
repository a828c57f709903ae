#include "firmware_scenario.h"

#include <stdlib.h>

#include <sstream>
#include <vector>

#include "journal_vocabulary.h"
#include "text_file.h"

namespace {

// A whole token in hexadecimal ("5A", "80041002", "0x80041002") no larger than limit.
bool ParseHex(const std::string& token, unsigned long limit, unsigned long* value) {
    if (token.empty()) return false;
    char* end = nullptr;
    *value = strtoul(token.c_str(), &end, 16);
    return *end == '\0' && *value <= limit;
}

bool ParseSetting(const std::string& text, std::array<BYTE, 4>* setting) {
    std::istringstream tokens(text);
    std::string token;
    size_t count = 0;
    while (tokens >> token) {
        unsigned long byte = 0;
        if (count == setting->size() || token.size() > 2 || !ParseHex(token, 0xFF, &byte)) return false;
        (*setting)[count++] = static_cast<BYTE>(byte);
    }
    return count == setting->size();
}

bool ParseNumber(const std::string& text, long* number) {
    if (text.empty()) return false;
    char* end = nullptr;
    *number = strtol(text.c_str(), &end, 10);
    return *end == '\0';
}

bool StartsWith(const std::string& line, const std::string& prefix, std::string* rest) {
    if (line.compare(0, prefix.size(), prefix) != 0) return false;
    *rest = line.substr(prefix.size());
    return true;
}

// One line of the scenario file; false when it is not understood.
bool ApplyLine(const std::string& line, SimulatedFirmware& firmware) {
    std::string rest;
    long number = 0;
    HRESULT failure = S_OK;
    if (ParsePlannedFailure(line, &rest, &failure)) {
        firmware.Fail(rest, failure);
        return true;
    }
    if (line == "no instance") {
        firmware.hasInstance = false;
        return true;
    }
    if (StartsWith(line, "data elements ", &rest) && ParseNumber(rest, &number) && number >= 0) {
        firmware.answerShape.dataElements = static_cast<ULONG>(number);
        return true;
    }
    if (StartsWith(line, "data lower bound ", &rest) && ParseNumber(rest, &number)) {
        firmware.answerShape.dataLowerBound = number;
        return true;
    }
    if (line == "data not an array") {
        firmware.answerShape.dataIsArray = false;
        return true;
    }
    if (line == "no OutData object") {
        firmware.answerShape.outDataObject = false;
        return true;
    }
    if (line == "no out-parameters") {
        firmware.answerShape.outParameters = false;
        return true;
    }
    return false;
}

}  // namespace

ScenarioFiles ScenarioFilesIn(const std::wstring& folder) {
    return {folder + L"\\firmware-setting.txt", folder + L"\\firmware-scenario.txt",
            folder + L"\\firmware-journal.txt"};
}

bool LoadScenario(const ScenarioFiles& files, SimulatedFirmware& firmware, std::string* error) {
    firmware.ClearFailures();
    firmware.hasInstance = true;
    firmware.answerShape = AnswerShape();

    std::string text;
    if (!ReadWholeFile(files.setting, &text)) {
        *error = "firmware-setting.txt cannot be read";
        return false;
    }
    if (!ParseSetting(text, &firmware.setting)) {
        *error = "firmware-setting.txt does not hold 4 bytes in hexadecimal, as \"5A 3C 7E 81\"";
        return false;
    }

    if (!ReadWholeFile(files.scenario, &text)) return true;  // no scenario: every call succeeds
    std::vector<std::string> lines = Lines(text);
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (PlansNothing(line)) continue;
        if (!ApplyLine(line, firmware)) {
            *error = "firmware-scenario.txt line " + std::to_string(i + 1) + " not understood: \"" + line + "\"";
            return false;
        }
    }
    return true;
}

void SaveSetting(const std::wstring& path, const std::array<BYTE, 4>& setting) {
    // A setting or a line that cannot be written shows where the test reads it back.
    WriteWholeFile(path, HexBytes(setting.data(), setting.size()) + "\n");
}

void AppendJournalLine(const std::wstring& path, const std::string& line) { AppendToFile(path, line + "\n"); }
