#pragma once
// A simulated machine firmware that publishes the BIOS interface over WMI.
// This class is the model: the 4-byte firmware setting, the journal of what
// reached the firmware, the plan of failures and the reference counts of the
// WMI objects that serve it (see simulated_wmi.h). It knows nothing of tests.
#include <windows.h>

#include <array>
#include <functional>
#include <map>
#include <string>
#include <vector>

// One call that reached the firmware. `step` is also the name a failure is
// planned under: "ConnectServer root\wmi", "GetObject tlvBIntM",
// "GetObject tlvBDataIn", "GetMethod tlvBIOSInt4", "SpawnInstance __PARAMETERS",
// "SpawnInstance tlvBDataIn", "Put Sign" (and every other property name),
// "CreateInstanceEnum tlvBIntM", "Next", "Get __PATH", "ExecMethod tlvBIOSInt4",
// "Get OutData", "QueryInterface tlvBDataOut", "Get rwReturnCode", "Get Data".
struct JournalEntry {
    std::string step;
    std::string detail;  // what came with it, e.g. "tlvBDataIn instance, VT 0x3, 44"
    HRESULT result;
    std::string Text() const;  // one line: step, detail, and the result when it is not S_OK
};

// How the method's answer is shaped.
struct AnswerShape {
    ULONG dataElements = 4;  // elements of "Data"; the answer bytes, cut or padded with 0
    LONG dataLowerBound = 0;
    bool dataIsArray = true;    // otherwise "Data" is a VT_I4
    bool outDataObject = true;  // otherwise "OutData" is VT_NULL
    bool outParameters = true;  // otherwise the method succeeds without out-parameters
};

// The command record as it reached the method; a property never put stays empty or 0.
struct CommandRecord {
    std::vector<BYTE> sign;
    LONG command = 0;
    LONG commandType = 0;
    LONG size = 0;
    std::vector<BYTE> data;
};

class SimulatedFirmware {
public:
    // The firmware's "rwReturnCode" values.
    static constexpr LONG kDone = 0;
    static constexpr LONG kBadRecord = 1;
    static constexpr LONG kUnknownCommand = 2;

    // Command 1 answers it; command 2 replaces it with the record's data bytes.
    std::array<BYTE, 4> setting = {};
    bool hasInstance = true;  // whether the tlvBIntM enumeration yields its instance
    AnswerShape answerShape;

    // The __PATH of the tlvBIntM instance, the object path the method runs on.
    static const wchar_t* InstancePath();

    // Failure plan: every later call of the step returns the failure instead.
    void Fail(const std::string& step, HRESULT failure);
    void ClearFailures();
    HRESULT Planned(const std::string& step) const;  // S_OK when none is planned

    void Record(const std::string& step, const std::string& detail, HRESULT result);
    // Told of each entry right after it is journalled, when the setting
    // already holds what the entry did to it (a COM server keeps both in files).
    std::function<void(const JournalEntry&)> onRecord;
    const std::vector<JournalEntry>& Journal() const { return journal_; }
    // The journal's lines that begin with the prefix.
    std::vector<std::string> JournalLines(const std::string& prefix = "") const;
    size_t Count(const std::string& step) const;

    // Runs a record that reached the method: returns its rwReturnCode and
    // fills the answer (the setting, or zeros for a record it refuses).
    LONG Execute(const CommandRecord& record, std::array<BYTE, 4>* answer);

    // Reference counts of the WMI objects, kept by the objects themselves.
    void ObjectCreated() { ++liveObjects_; }
    void ReferenceAdded() { ++references_; }
    void ReferenceReleased() { --references_; }
    void ObjectReleased(const std::string& description);
    long LiveObjects() const { return liveObjects_; }
    long OutstandingReferences() const { return references_; }
    // The objects whose last reference went, in that order.
    const std::vector<std::string>& ReleasedObjects() const { return released_; }

private:
    std::map<std::string, HRESULT> failures_;
    std::vector<JournalEntry> journal_;
    long liveObjects_ = 0;
    long references_ = 0;
    std::vector<std::string> released_;
};

// "5A 00 00 81"
std::string HexBytes(const BYTE* bytes, size_t count);
