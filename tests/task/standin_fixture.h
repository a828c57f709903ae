#pragma once
// A fixture that puts the in-memory Task Scheduler behind the platform seam,
// fakes the process's COM calls as COM answers them, and checks after every
// test that the apartment was entered with nothing alive yet and left once,
// with nothing alive still.
#include <gtest/gtest.h>

#include <string>

#include "standin_classes.h"
#include "task_scheduler_model.h"
#include "test_support.h"

// What the fakes behind the seam saw.
struct ComRecord {
    int apartmentsEntered = 0;
    int apartmentsLeft = 0;
    std::string apartmentArguments;  // of the last CoInitializeEx: reserved, model
    std::string securityArguments;   // of the last CoInitializeSecurity, all nine
};

class StandinTaskScheduler : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // How often the call was recorded.
    int Count(const std::string& call) const;
    // SysAllocString of this text gives null, as when memory runs out.
    static void FailAllocationOf(const wchar_t* text);
    // CSIDL_PROGRAM_FILES gives this folder, or fails when it is null.
    static void UseProgramFilesFolder(const wchar_t* folder);

    ApiRestore restore_;
    TaskSchedulerModel model_;
    ComRecord& com_ = record_;

private:
    static ComRecord record_;
};

// A test name for a table row about a call on a folder: "ITaskFolder::GetTasks" on
// "\Tarvolund" -> "ITaskFolderGetTasks_OnTarvolund", on "\" -> "..._OnRoot", on
// no folder in particular ("") -> "ITaskFolderGetTasks".
std::string CallCaseName(const char* call, const wchar_t* on);

// The product's folders and task in the Task Scheduler's namespace.
extern const std::wstring kMakerPath;
extern const std::wstring kProductPath;
extern const std::wstring kTaskName;
