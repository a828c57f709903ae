#pragma once
// A registered task as a Task Scheduler 2.0 XML document, the form in which
// Windows keeps it under System32\Tasks and `schtasks /query /xml` prints it.
#include "task_scheduler_model.h"

#include <string>

// The document of the task at `path` ("\A\B\Task"): the properties that its
// definition set, and what its registration implies.
std::wstring TaskXml(const std::wstring& path, const TaskModel& task);

// A document as a task file holds it: UTF-16 LE with a byte-order mark.
std::string TaskFileBytes(const std::wstring& xml);
// A task file's text: UTF-16 LE after a byte-order mark, or else UTF-8.
std::wstring TaskFileText(const std::string& bytes);

// Whether the document's settings hide the task (<Hidden>true</Hidden>).
bool IsHiddenTask(const std::wstring& xml);
