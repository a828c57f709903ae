#pragma once
// Helpers shared by the test programs, which run under Wine in the test
// run's throwaway prefix.
#include <string>
#include <vector>

#include "platform/api.h"
#include "text_file.h"

// Restores the whole platform table when the test ends, whatever it swapped.
class ApiRestore {
public:
    ApiRestore() : saved_(api()) {}
    ~ApiRestore() { api() = saved_; }

private:
    Api saved_;
};

// Files and folders in the prefix; a file that cannot be read reads as "".
bool FileExists(const std::wstring& path);
std::string ReadFileBytes(const std::wstring& path);
void WriteFileBytes(const std::wstring& path, const std::string& bytes);
void RemoveTree(const std::wstring& path);
void MakeFolders(const std::wstring& path);
std::wstring LocalAppDataFolder();
std::wstring ProgramFilesFolder();
std::wstring SetupLogPath();
std::wstring PrevaultLogPath();

// The log's entries with their timestamps "[YYYY-MM-DD hh:mm:ss] " replaced by
// "[T] ". A "[" followed by a digit that does not begin a timestamp of that
// shape fails the test and stays as it is.
std::string WithoutTimestamps(const std::string& log);
// The two logs as WithoutTimestamps shows them; "" where there is none.
std::string SetupLog();
std::string PrevaultLog();

// Windows' own setup state, under HKEY_LOCAL_MACHINE (value "ImageState").
extern const std::wstring kSetupStateKey;

// The install's own lines, as WithoutTimestamps shows them: the refusal when
// the firmware says the machine is not supported (both logs), a failed task
// registration (both logs) and a completed install (the Prevault log only).
inline constexpr char kRefusalLine[] =
    "[T] Install: This system does not support Quelmar (does not support accelerometer or thermal "
    "control or both).\r\n";
inline constexpr char kTaskFailedLine[] = "[T] Install: Failed adding a task to the task scheduler.\r\n";
inline constexpr char kCompletedLine[] = "[T] Install: Custom Setup completed successfully.\r\n";

// Registry values read back in the 64-bit or 32-bit view.
bool RegistryKeyExists(HKEY root, const std::wstring& path, REGSAM view);
bool ReadRegistryValue(HKEY root, const std::wstring& path, const std::wstring& name, REGSAM view, DWORD* type,
                       std::vector<BYTE>* data);
void DeleteRegistryTree(HKEY root, const std::wstring& path, REGSAM view);
void SetRegistryString(HKEY root, const std::wstring& path, const std::wstring& name, const std::wstring& value,
                       REGSAM view);
