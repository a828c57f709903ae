#pragma once
// The task folders and the task that registration creates and removal deletes.

constexpr const wchar_t* kRootFolder = L"\\";
constexpr const wchar_t* kMakerFolder = L"Tarvolund";                       // inside the root folder
constexpr const wchar_t* kProductFolder = L"Tarvo Quelmar";                 // inside the maker folder
constexpr const wchar_t* kLogonTaskName = L"Tarvo Quelmar Start at Logon";  // inside the product folder
