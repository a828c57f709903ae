#pragma once
// The one end-to-end machine, as scripts/machine.sh sets one up for the
// sandbox: the test prefix with the simulated firmware served as the
// administrative WMI locator and the Task Scheduler stand-in as
// CLSID_TaskScheduler (Wine 8's own cannot create a logon trigger nor count a
// folder's tasks), both from C:\ProgramData\Quelmar Sandbox with their files
// beside them. The firmware says the machine is supported unless a test
// writes another setting; the stand-in keeps each task as its XML document
// under the real C:\Windows\System32\Tasks.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "built_file_path.h"
#include "com_server_registration.h"
#include "control_panel_keys.h"
#include "run_process.h"
#include "task_folder_store.h"
#include "task_xml.h"
#include "test_support.h"

extern const std::wstring kSandbox;
extern const std::wstring kFirmwareSetting;
extern const std::wstring kFirmwareScenario;
extern const std::wstring kFirmwareJournal;
extern const std::wstring kTaskSchedulerScenario;
extern const std::wstring kTaskSchedulerJournal;
extern const std::wstring kMakerFolder;
extern const std::wstring kProductFolder;
extern const std::wstring kLogonTask;

// Another product's task, as a real machine would hold it.
std::string PlantedTask(const std::wstring& uri, bool hidden);
bool IsFolder(const std::wstring& path);
size_t EntriesIn(const std::wstring& folder);

class SandboxMachine : public ::testing::Test {
protected:
    SandboxMachine();
    void SetUp() override;
    void TearDown() override;

    // Runs the built program in the prefix and returns its real exit code.
    static DWORD RunSetup(const wchar_t* argument);
    // A stand-in's journal, a line an entry.
    static std::vector<std::string> Journal(const std::wstring& file);
    void ExpectTheGoldenTask();

    std::string golden_;

private:
    ComServerRegistration taskScheduler_;
    ComServerRegistration firmware_;
};
