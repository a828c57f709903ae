#pragma once
// What the install flow writes to the logs and shows.

constexpr const char* kInstallCompleted = "Install: Custom Setup completed successfully.\n";
constexpr const char* kInstallTaskFailed = "Install: Failed adding a task to the task scheduler.\n";
constexpr const char* kInstallNotSupported =
    "Install: This system does not support Quelmar (does not support accelerometer or thermal "
    "control or both).\n";

constexpr const wchar_t* kRefusalText = L"Your product does not support Tarvo Quelmar.";
constexpr const wchar_t* kRefusalCaption = L"Tarvo Quelmar Setup";
constexpr unsigned kRefusalStyle = 0x1010;  // MB_OK | MB_ICONERROR | MB_SYSTEMMODAL
