#pragma once
// A sandbox machine for the built QuelmarSetup.exe: the test prefix with the
// Task Scheduler stand-in served as a COM DLL for CLSID_TaskScheduler (Wine 8's
// own cannot create a logon trigger nor count a folder's tasks) and the
// simulated firmware for the administrative WMI locator, saying the machine is
// supported. The stand-in keeps each task as its XML document under the real
// C:\Windows\System32\Tasks.
#include <gtest/gtest.h>

#include <string>

#include "built_file_path.h"
#include "com_server_registration.h"
#include "control_panel_keys.h"
#include "run_process.h"
#include "task_folder_store.h"
#include "task_xml.h"
#include "test_support.h"

// A folder of these tests' own, so that the firmware tests' files never meet theirs.
extern const std::wstring kServers;
extern const std::wstring kTaskSchedulerDll;
extern const std::wstring kFirmwareDll;
extern const std::wstring kFailurePlan;
extern const std::wstring kFirmwareSetting;
extern const std::wstring kMakerFolder;
extern const std::wstring kProductFolder;
extern const std::wstring kLogonTask;

// Another product's task, as a real machine would hold it.
std::string PlantedTask(const std::wstring& uri, bool hidden);
std::wstring ParentPath(const std::wstring& path);
std::string Readable(const std::string& taskFile);
bool IsFolder(const std::wstring& path);
size_t EntriesIn(const std::wstring& folder);

class SandboxMachine : public ::testing::Test {
protected:
    SandboxMachine();
    void SetUp() override;
    void TearDown() override;

    // Runs the built program in the prefix and returns its real exit code.
    static DWORD RunSetup(const wchar_t* argument);
    void ExpectTheGoldenTask();

    std::string golden_;

private:
    ComServerRegistration taskScheduler_;
    ComServerRegistration firmware_;
};
