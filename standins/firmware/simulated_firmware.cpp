#include "simulated_firmware.h"

#include "journal_vocabulary.h"

#include <stdio.h>

#include <algorithm>

namespace {

const std::vector<BYTE> kSignature = {0x53, 0x45, 0x43, 0x55};  // "SECU"
constexpr LONG kCommandType = 0x2C;
constexpr LONG kRecordSize = 4;
constexpr LONG kReadCommand = 1;
constexpr LONG kWriteCommand = 2;

}  // namespace

std::string HexBytes(const BYTE* bytes, size_t count) {
    std::string text;
    char hex[4];
    for (size_t i = 0; i < count; ++i) {
        // NOLINTNEXTLINE(cert-err33-c): the buffer holds the longest text
        snprintf(hex, sizeof hex, "%02X", bytes[i]);
        if (i) text += ' ';
        text += hex;
    }
    return text;
}

std::string JournalEntry::Text() const { return JournalLine(step, detail, result); }

const wchar_t* SimulatedFirmware::InstancePath() {
    return L"\\\\QUELMAR\\root\\wmi:tlvBIntM.InstanceName=\"ACPI\\\\PNP0C14\\\\0_0\"";
}

void SimulatedFirmware::Fail(const std::string& step, HRESULT failure) { failures_[step] = failure; }

void SimulatedFirmware::ClearFailures() { failures_.clear(); }

HRESULT SimulatedFirmware::Planned(const std::string& step) const {
    auto planned = failures_.find(step);
    return planned == failures_.end() ? S_OK : planned->second;
}

void SimulatedFirmware::Record(const std::string& step, const std::string& detail, HRESULT result) {
    journal_.push_back({step, detail, result});
    if (onRecord) onRecord(journal_.back());
}

std::vector<std::string> SimulatedFirmware::JournalLines(const std::string& prefix) const {
    std::vector<std::string> lines;
    for (const JournalEntry& entry : journal_) {
        std::string line = entry.Text();
        if (line.compare(0, prefix.size(), prefix) == 0) lines.push_back(line);
    }
    return lines;
}

size_t SimulatedFirmware::Count(const std::string& step) const {
    size_t count = 0;
    for (const JournalEntry& entry : journal_) count += entry.step == step ? 1 : 0;
    return count;
}

LONG SimulatedFirmware::Execute(const CommandRecord& record, std::array<BYTE, 4>* answer) {
    LONG returnCode = kDone;
    if (record.sign != kSignature || record.commandType != kCommandType || record.size != kRecordSize ||
        record.data.size() != setting.size()) {
        returnCode = kBadRecord;
    } else if (record.command == kWriteCommand) {
        std::copy(record.data.begin(), record.data.end(), setting.begin());
    } else if (record.command != kReadCommand) {
        returnCode = kUnknownCommand;
    }
    *answer = returnCode == kDone ? setting : std::array<BYTE, 4>{};

    char command[64];
    // NOLINTNEXTLINE(cert-err33-c): the buffer holds the longest text
    snprintf(command, sizeof command, "command %ld, rwReturnCode %ld", record.command, returnCode);
    Record("Execute",
           std::string(command) + ", data " + HexBytes(record.data.data(), record.data.size()) + ", answer " +
               HexBytes(answer->data(), answer->size()),
           S_OK);
    return returnCode;
}

void SimulatedFirmware::ObjectReleased(const std::string& description) {
    --liveObjects_;
    released_.push_back(description);
}
