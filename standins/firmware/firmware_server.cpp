// The simulated firmware as an in-process COM server: registered in a Wine
// prefix as the InprocServer32 of CLSID_WbemAdministrativeLocator, it hands
// the real program the simulated locator through the prefix's own COM.
//
// The scenario lives in the folder this DLL is registered from (the sandbox
// uses "C:\ProgramData\Quelmar Sandbox\"), in three text files:
//
//   firmware-setting.txt   The firmware's 4-byte setting in hexadecimal, as
//                          "5A 3C 7E 81". Read whenever a locator is created;
//                          rewritten as soon as a command changes the setting,
//                          so the next process sees what command 2 wrote.
//                          A locator cannot be created without it.
//   firmware-scenario.txt  Optional, one instruction a line (the vocabulary of
//                          journal_vocabulary.h, shared with the Task
//                          Scheduler stand-in); blank lines and
//                          lines starting with '#' are skipped:
//                            fail STEP HRESULT   every call of STEP fails with
//                                                the HRESULT (hexadecimal), e.g.
//                                                "fail GetObject tlvBIntM 80041002";
//                                                STEP as the journal names it
//                            no instance         the tlvBIntM enumeration yields nothing
//                            data elements N     "Data" holds N bytes
//                            data lower bound N
//                            data not an array   "Data" is a VT_I4
//                            no OutData object   "OutData" is VT_NULL
//                            no out-parameters   the method gives none back
//   firmware-journal.txt   Appended to: every call that reached the firmware,
//                          one line each, written as it happens. Each locator
//                          starts with a "CreateInstance WbemAdministrativeLocator"
//                          line; a scenario that cannot be read fails that step
//                          and the line says why.
#include <windows.h>
#include <wbemprov.h>  // CLSID_WbemAdministrativeLocator

#include "firmware_scenario.h"
#include "server_class_factory.h"
#include "simulated_wmi.h"

namespace {

const char kCreateStep[] = "CreateInstance WbemAdministrativeLocator";

const int kInsideThisModule = 0;

std::wstring ServerFolder() {
    HMODULE self = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&kInsideThisModule), &self);
    wchar_t path[MAX_PATH] = {};
    std::wstring folder(path, GetModuleFileNameW(self, path, MAX_PATH));
    return folder.substr(0, folder.find_last_of(L"\\/"));
}

// The process's one firmware, kept in the files as it goes.
struct FirmwareServer {
    FirmwareServer() : files(ScenarioFilesIn(ServerFolder())) {
        firmware.onRecord = [this](const JournalEntry& entry) { Keep(entry); };
    }

    void Keep(const JournalEntry& entry) {
        AppendJournalLine(files.journal, entry.Text());
        if (firmware.setting != savedSetting) {
            SaveSetting(files.setting, firmware.setting);
            savedSetting = firmware.setting;
        }
    }

    SimulatedFirmware firmware;
    ScenarioFiles files;
    std::array<BYTE, 4> savedSetting = {};
};

// It outlives its objects: the DLL is unloaded only when none is left.
FirmwareServer& Server() {
    static FirmwareServer server;
    return server;
}

class LocatorFactory : public ServerClassFactory {
    HRESULT Create(REFIID iid, void** object) override {
        FirmwareServer& server = Server();
        std::string error;
        bool loaded = LoadScenario(server.files, server.firmware, &error);
        server.savedSetting = server.firmware.setting;
        HRESULT hr = loaded ? server.firmware.Planned(kCreateStep) : E_FAIL;
        server.firmware.Record(kCreateStep, error, hr);
        if (FAILED(hr)) return hr;
        return CreateSimulatedLocator(server.firmware, iid, object);
    }
};

LocatorFactory factory;

}  // namespace

STDAPI DllGetClassObject(REFCLSID classId, REFIID iid, LPVOID* object) {
    return factory.Serve(CLSID_WbemAdministrativeLocator, classId, iid, object);
}

STDAPI DllCanUnloadNow() { return factory.locks == 0 && Server().firmware.LiveObjects() == 0 ? S_OK : S_FALSE; }
