#pragma once
// Where the two logs live, and the steps both writers share.
#include "platform/owners.h"

constexpr const wchar_t* kSetupLogFolders[] = {L"Tarvolund", L"Tarvo Quelmar"};
constexpr const wchar_t* kPrevaultLogDrive = L"C:";
constexpr const wchar_t* kPrevaultLogRoot = L"C:\\";
constexpr const wchar_t* kPrevaultLogFolders[] = {L"Prevault", L"Logs"};
constexpr const wchar_t* kLogFileName = L"QuelmarSetup.log";

// A log larger than this is started anew before the next entry.
constexpr ULONGLONG kLogSizeLimit = 0xFFFFF;

// How long an open waits for another program to give up its opportunistic
// lock on a log's folder or file before the entry is dropped: nobody may make
// the installation wait on the log.
constexpr DWORD kOplockBreakWaitMs = 1000;

// The local application-data folder; false when the shell cannot tell.
bool GetLocalAppDataFolder(wchar_t (&path)[MAX_PATH]);

// Appends "\" and the name; false, with the path unchanged, when it would not fit.
bool AppendName(wchar_t (&path)[MAX_PATH], const wchar_t* name);

// A log's folder, reached level by level from a base folder. Folders on the
// way may be made by users who are not administrators, so no level may be a
// link: each is opened by its single name relative to the level above, which
// is already checked and held, without following a link; then it is checked
// and held open without delete sharing. Nothing below the base is ever looked
// up by its full path again, so a level turned into a link after its check
// leads nowhere.
struct LogFolder {
    wchar_t path[MAX_PATH] = {};       // as asked for
    wchar_t finalPath[MAX_PATH] = {};  // where the file system must say it is
    FileHandle base;
    FileHandle levels[2];
};

// Opens the base folder by its full path, following links (an administrator
// may have moved the profile): the folder from which the levels are reached.
bool OpenBaseFolder(LogFolder& folder, const wchar_t* path);

// Appends the levels to the folder, opening and checking each; creates a
// missing level when asked to. False as soon as a level is missing or fails
// its check.
bool OpenFolderLevels(LogFolder& folder, const wchar_t* const (&levels)[2], bool createMissing);

// The setup log's folder under the application-data folder.
bool OpenSetupLogFolder(LogFolder& folder, bool createMissing);

enum class EntryKind { Folder, File };
enum class Disposition { OpenExisting, CreateIfMissing };

// Opens the single name in the held folder without following a link, or,
// with no folder, the full path following links. Asks the file system not to
// make the open wait for another program's opportunistic lock, and waits at
// most kOplockBreakWaitMs for that lock to be given up. False, with the entry
// empty, when it cannot be opened.
bool OpenLogEntry(FileHandle& entry, HANDLE folder, const wchar_t* name, EntryKind kind, Disposition disposition);

// Waits at most kOplockBreakWaitMs for the break of an opportunistic lock
// that the open of the entry started; true when it is over.
bool WaitForOplockBreak(HANDLE entry);

// The path that the file system gives an open file or folder, without the
// "\\?\" in front; false when it does not fit.
bool GetFinalPath(HANDLE entry, wchar_t (&path)[MAX_PATH]);

// True when the opened entry is a plain folder or file as asked (no reparse
// point; a file with a single name) and its final path is the expected one
// (compared without regard to case). Fills in what the handle reports.
bool CheckOpenedEntry(HANDLE entry, EntryKind kind, const wchar_t* expectedFinalPath, BY_HANDLE_FILE_INFORMATION& info);

// Opens the log file in the checked folder, tests its size, starts it anew
// when over size, appends the timestamp and the message. 1 when written.
int AppendLogEntry(const LogFolder& folder, const char* message);
