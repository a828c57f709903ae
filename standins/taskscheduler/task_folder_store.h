#pragma once
// The task folders as directories and each task as its XML document, named
// after the task, under one root directory: the way Windows keeps them in
// System32\Tasks.
#include "task_scheduler_model.h"

#include <string>

class TaskFolderStore : public TaskStore {
public:
    explicit TaskFolderStore(std::wstring root) : root_(std::move(root)) {}

    // Adds every folder and task under the root to the model, creating the
    // root when it is missing. A task file counts as hidden when its document
    // says so; the rest of it is not read, and it is never rewritten unless a
    // task of its name is registered.
    void Load(TaskSchedulerModel& model) const;

    HRESULT CreateFolder(const std::wstring& path) override;
    HRESULT DeleteFolder(const std::wstring& path) override;
    HRESULT SaveTask(const std::wstring& path, const TaskModel& task) override;
    HRESULT DeleteTask(const std::wstring& path) override;

private:
    void LoadFolder(TaskSchedulerModel& model, const std::wstring& folder) const;
    std::wstring FileOf(const std::wstring& path) const { return path == L"\\" ? root_ : root_ + path; }

    std::wstring root_;
};

// The real System32\Tasks, also from a 32-bit process on 64-bit Windows,
// whose System32 would lead to SysWOW64.
std::wstring SystemTasksFolder();
