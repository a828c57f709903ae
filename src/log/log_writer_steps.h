#pragma once
// How the two log writers write one entry, in the order it happens: the walk
// to the log's folder (open_log_folder.cpp), the open of each entry on the way
// and its check (open_log_entry.cpp), the bounded waits for other programs
// (wait_for_request.cpp) and the append (append_log_entry.cpp).
#include "platform/owners.h"

// Where the two logs live.
constexpr const wchar_t* kSetupLogFolders[] = {L"Tarvolund", L"Tarvo Quelmar"};
constexpr const wchar_t* kPrevaultLogDrive = L"C:";
// The machine's drive C:, not one that the caller's own device map may define
// (an administrator running the program by hand has a map of their own).
constexpr const wchar_t* kPrevaultLogBase = L"\\GLOBAL??\\C:\\";
constexpr const wchar_t* kPrevaultLogFolders[] = {L"Prevault", L"Logs"};
constexpr const wchar_t* kLogFileName = L"QuelmarSetup.log";

// A log larger than this is started anew before the next entry.
constexpr ULONGLONG kLogSizeLimit = 0xFFFFF;

// How long a log may wait for other programs in the whole run: for one to
// give up its opportunistic lock on a log's folder or file when an open
// breaks it, or for a write to end. Nobody may make the installation wait on
// a log for longer, however many entries it takes.
constexpr DWORD kLogWaitBudgetMs = 1000;

// What a log keeps for the rest of the process's run: the time its opens and
// writes have waited so far. Each wait is given what is left of the budget;
// once it is spent (or a wait has timed out) the log takes no more entries.
struct LogRun {
    DWORD waitedMs;
};
extern LogRun setupLogRun;
extern LogRun prevaultLogRun;

// The folder walk (open_log_folder.cpp).
//
// A log's folder, reached level by level from a base folder. Folders on the
// way may be made by users who are not administrators, so no level may be a
// link: each is opened by its single name relative to the level above, which
// is already checked and held, without following a link or passing a reparse
// point (should the held level become one meanwhile); then it is checked
// and held open without delete sharing. Nothing below the base is ever looked
// up by its full path again, so a level turned into a link after its check
// leads nowhere.
struct LogFolder {
    explicit LogFolder(LogRun& run) : run(run) {}
    LogRun& run;
    wchar_t path[MAX_PATH] = {};       // as asked for
    wchar_t finalPath[MAX_PATH] = {};  // where the file system must say it is
    FileHandle base;
    FileHandle levels[2];
};

// Appends "\" and the name; false, with the path unchanged, when it would not fit.
bool AppendName(wchar_t (&path)[MAX_PATH], const wchar_t* name);

// The setup log's folder under the application-data folder, each level made
// when missing if asked to.
bool OpenSetupLogFolder(LogFolder& folder, bool createMissing);

// The Prevault log's folder on the machine's drive C:, never made.
bool OpenPrevaultLogFolder(LogFolder& folder);

// The entry's open and its check (open_log_entry.cpp).

enum class EntryKind { Folder, File };
enum class Disposition { OpenExisting, CreateIfMissing };

// Opens the single name in the held folder without following a link or
// passing a reparse point, or, with no folder, the object manager's full name
// following links. Asks the file system not to make the open wait for another
// program's opportunistic lock, and waits for that lock to be given up at
// most as long as the log's budget allows. False, with the entry empty, when
// it cannot be opened or the log takes no more entries in this run. Tells
// whether the open made the entry; only then may the handle delete it.
bool OpenLogEntry(LogRun& run, FileHandle& entry, HANDLE folder, const wchar_t* name, EntryKind kind,
                  Disposition disposition, bool& created);

// Opens the single name in the held folder and checks it. An entry that
// fails its check is closed again, and deleted first if this open made it
// (where a reparse point could not be refused, it may have landed outside);
// an entry that was there before is never deleted.
bool OpenCheckedEntry(LogRun& run, FileHandle& entry, HANDLE folder, const wchar_t* name, EntryKind kind,
                      Disposition disposition, const wchar_t* expectedFinalPath, BY_HANDLE_FILE_INFORMATION& info);

// The path that the file system gives an open file or folder, without the
// "\\?\" in front; false when it does not fit.
bool GetFinalPath(HANDLE entry, wchar_t (&path)[MAX_PATH]);

// The waits (wait_for_request.cpp).

// Waits, within the log's budget, for the break of an opportunistic lock
// that the open of the entry started; true when it is over.
bool WaitForOplockBreak(LogRun& run, HANDLE entry);

// Waits for a request on the entry that is still pending for what is left of
// the log's budget, counts the time against it, and cancels a request that
// has not ended by then; true when it ended well in time.
bool WaitForRequest(LogRun& run, HANDLE entry, OVERLAPPED& request, DWORD& bytes);

// The append (append_log_entry.cpp).

// Opens the log file in the checked folder, tests its size, starts it anew
// when over size, appends the timestamp and the message. 1 when written.
int AppendLogEntry(const LogFolder& folder, const char* message);
