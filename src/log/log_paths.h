#pragma once
// Where the two logs live, and the steps both writers share.
#include "platform/windows.h"

constexpr const wchar_t* kSetupLogFolders[] = {L"\\Tarvolund", L"\\Tarvo Quelmar"};
constexpr const wchar_t* kSetupLogFile = L"\\Tarvolund\\Tarvo Quelmar\\QuelmarSetup.log";
constexpr const wchar_t* kPrevaultLogFolder = L"C:\\Prevault\\Logs";
constexpr const wchar_t* kPrevaultLogFile = L"C:\\Prevault\\Logs\\QuelmarSetup.log";

// A log larger than this is deleted before the next entry.
constexpr ULONGLONG kLogSizeLimit = 0xFFFFF;

// The local application-data folder; false when the shell cannot tell.
bool GetLocalAppDataFolder(wchar_t (&path)[MAX_PATH]);

// True when a search for the exact name finds a file or folder.
bool PathPresent(const wchar_t* path);

// Size test, open, timestamp, message, close. 1 when the entry was written.
int AppendLogEntry(const wchar_t* path, const char* message);
