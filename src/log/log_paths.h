#pragma once
// Where the two logs live, and the steps both writers share.
#include "platform/owners.h"

constexpr const wchar_t* kSetupLogFolders[] = {L"\\Tarvolund", L"\\Tarvo Quelmar"};
constexpr const wchar_t* kPrevaultLogDrive = L"C:";
constexpr const wchar_t* kPrevaultLogFolders[] = {L"\\Prevault", L"\\Logs"};
constexpr const wchar_t* kLogFileName = L"\\QuelmarSetup.log";

// A log larger than this is started anew before the next entry.
constexpr ULONGLONG kLogSizeLimit = 0xFFFFF;

// The local application-data folder; false when the shell cannot tell.
bool GetLocalAppDataFolder(wchar_t (&path)[MAX_PATH]);

// A log's folder, reached level by level from a base folder. Folders on the
// way may be made by users who are not administrators, so no level may be a
// link: each is opened without following one and checked, then held open
// without delete sharing, so that it cannot be renamed or replaced while the
// program creates something in it.
struct LogFolder {
    wchar_t path[MAX_PATH] = {};       // as asked for
    wchar_t finalPath[MAX_PATH] = {};  // where the file system must say it is
    FileHandle base;
    FileHandle levels[2];
};

// Appends the levels to the folder, opening and checking each; creates a
// missing level when asked to. False as soon as a level is missing or fails
// its check.
bool OpenFolderLevels(LogFolder& folder, const wchar_t* const (&levels)[2], bool createMissing);

// The setup log's folder under the application-data folder.
bool OpenSetupLogFolder(LogFolder& folder, bool createMissing);

enum class EntryKind { Folder, File };

// The path that the file system gives an open file or folder, without the
// "\\?\" in front; false when it does not fit.
bool GetFinalPath(HANDLE entry, wchar_t (&path)[MAX_PATH]);

// True when the opened entry is a plain folder or file as asked (no reparse
// point; a file with a single name) and its final path is the expected one
// (compared without regard to case). Fills in what the handle reports.
bool CheckOpenedEntry(HANDLE entry, EntryKind kind, const wchar_t* expectedFinalPath,
                      BY_HANDLE_FILE_INFORMATION& info);

// Opens the log file in the checked folder, tests its size, starts it anew
// when over size, appends the timestamp and the message. 1 when written.
int AppendLogEntry(const LogFolder& folder, const char* message);
