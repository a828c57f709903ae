#pragma once
// The one seam between the program and Windows: every platform call goes
// through this table, which points at the real functions. Tests swap single
// entries to inject a failure or record a call, and put them back.
#include "platform/windows.h"

struct Api {
    // Files (ntdll): opened relative to a folder already held, never walked again by name
    decltype(&::NtCreateFile) NtCreateFile = ::NtCreateFile;

    // Files and time (kernel32)
    decltype(&::GetFileInformationByHandle) GetFileInformationByHandle = ::GetFileInformationByHandle;
    decltype(&::GetFinalPathNameByHandleW) GetFinalPathNameByHandleW = ::GetFinalPathNameByHandleW;
    decltype(&::SetFileInformationByHandle) SetFileInformationByHandle = ::SetFileInformationByHandle;
    decltype(&::WriteFile) WriteFile = ::WriteFile;
    decltype(&::DeviceIoControl) DeviceIoControl = ::DeviceIoControl;
    decltype(&::WaitForSingleObject) WaitForSingleObject = ::WaitForSingleObject;
    decltype(&::GetOverlappedResult) GetOverlappedResult = ::GetOverlappedResult;
    decltype(&::CancelIoEx) CancelIoEx = ::CancelIoEx;
    decltype(&::CloseHandle) CloseHandle = ::CloseHandle;
    decltype(&::GetLocalTime) GetLocalTime = ::GetLocalTime;
    decltype(&::QueryPerformanceCounter) QueryPerformanceCounter = ::QueryPerformanceCounter;
    decltype(&::QueryPerformanceFrequency) QueryPerformanceFrequency = ::QueryPerformanceFrequency;
    decltype(&::WideCharToMultiByte) WideCharToMultiByte = ::WideCharToMultiByte;

    // Sessions and libraries loaded at run time (kernel32)
    decltype(&::GetCurrentProcessId) GetCurrentProcessId = ::GetCurrentProcessId;
    decltype(&::ProcessIdToSessionId) ProcessIdToSessionId = ::ProcessIdToSessionId;
    decltype(&::WTSGetActiveConsoleSessionId) WTSGetActiveConsoleSessionId = ::WTSGetActiveConsoleSessionId;
    decltype(&::GetSystemDirectoryW) GetSystemDirectoryW = ::GetSystemDirectoryW;
    decltype(&::GetModuleHandleW) GetModuleHandleW = ::GetModuleHandleW;
    decltype(&::SetDllDirectoryW) SetDllDirectoryW = ::SetDllDirectoryW;
    decltype(&::LoadLibraryExW) LoadLibraryExW = ::LoadLibraryExW;
    decltype(&::GetProcAddress) GetProcAddress = ::GetProcAddress;
    decltype(&::FreeLibrary) FreeLibrary = ::FreeLibrary;

    // Shell folders (shell32)
    decltype(&::SHGetSpecialFolderPathW) SHGetSpecialFolderPathW = ::SHGetSpecialFolderPathW;

    // Registry (advapi32)
    decltype(&::RegOpenKeyExW) RegOpenKeyExW = ::RegOpenKeyExW;
    decltype(&::RegQueryValueExW) RegQueryValueExW = ::RegQueryValueExW;
    decltype(&::RegCreateKeyExW) RegCreateKeyExW = ::RegCreateKeyExW;
    decltype(&::RegSetValueExW) RegSetValueExW = ::RegSetValueExW;
    decltype(&::RegDeleteKeyExW) RegDeleteKeyExW = ::RegDeleteKeyExW;
    decltype(&::RegCloseKey) RegCloseKey = ::RegCloseKey;

    // User interface (user32)
    decltype(&::MessageBoxW) MessageBoxW = ::MessageBoxW;

    // COM (ole32)
    decltype(&::CoInitialize) CoInitialize = ::CoInitialize;
    decltype(&::CoInitializeEx) CoInitializeEx = ::CoInitializeEx;
    decltype(&::CoInitializeSecurity) CoInitializeSecurity = ::CoInitializeSecurity;
    decltype(&::CoCreateInstance) CoCreateInstance = ::CoCreateInstance;
    decltype(&::CoUninitialize) CoUninitialize = ::CoUninitialize;

    // OLE Automation (oleaut32)
    decltype(&::SysAllocString) SysAllocString = ::SysAllocString;
    decltype(&::SysFreeString) SysFreeString = ::SysFreeString;
    decltype(&::VariantInit) VariantInit = ::VariantInit;
    decltype(&::VariantClear) VariantClear = ::VariantClear;
    decltype(&::SafeArrayCreateVector) SafeArrayCreateVector = ::SafeArrayCreateVector;
    decltype(&::SafeArrayPutElement) SafeArrayPutElement = ::SafeArrayPutElement;
    decltype(&::SafeArrayGetElement) SafeArrayGetElement = ::SafeArrayGetElement;
    decltype(&::SafeArrayDestroy) SafeArrayDestroy = ::SafeArrayDestroy;
};

// The process's table.
Api& api();
