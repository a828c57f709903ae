// The two log writers against the real files of the test prefix.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "log/setup_log.h"
#include "test_support.h"

namespace {

const std::wstring kPrevaultFolder = L"C:\\Prevault\\Logs";

void WINAPI FixedTime(LPSYSTEMTIME now) { *now = SYSTEMTIME{2013, 12, 2, 31, 23, 59, 59, 999}; }
void WINAPI MorningTime(LPSYSTEMTIME now) { *now = SYSTEMTIME{2013, 3, 5, 1, 9, 5, 3, 7}; }

// A 4 GiB file is not something to make in a test prefix: the handle reports it.
BOOL WINAPI ReportingFourGiB(HANDLE file, LPBY_HANDLE_FILE_INFORMATION info) {
    BOOL ok = ::GetFileInformationByHandle(file, info);
    if (ok && !(info->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        info->nFileSizeHigh = 1;  // 4 GiB + 3 bytes
        info->nFileSizeLow = 3;
    }
    return ok;
}
int emptied;
BOOL WINAPI RecordEmptying(HANDLE file, FILE_INFO_BY_HANDLE_CLASS kind, LPVOID info, DWORD size) {
    if (kind == FileEndOfFileInfo) ++emptied;
    return ::SetFileInformationByHandle(file, kind, info, size);
}

BOOL WINAPI NoFolder(HWND, LPWSTR, int, BOOL) { return FALSE; }

// Every open the writers make, through the seam: a test may act just before
// one (as another program would) or change what it reports.
std::function<void(const std::wstring& name, ULONG disposition)> beforeOpen;
std::function<NTSTATUS(const std::wstring& name, NTSTATUS result)> afterOpen;
std::vector<std::string> unsafeOpens;
NTSTATUS WINAPI HookedOpen(PHANDLE handle, ACCESS_MASK access, POBJECT_ATTRIBUTES object, PIO_STATUS_BLOCK status,
                           PLARGE_INTEGER size, ULONG attributes, ULONG share, ULONG disposition, ULONG options,
                           PVOID ea, ULONG eaLength) {
    const std::wstring name(object->ObjectName->Buffer, object->ObjectName->Length / sizeof(wchar_t));
    const auto* quality = static_cast<const SECURITY_QUALITY_OF_SERVICE*>(object->SecurityQualityOfService);
    if (!quality || quality->ImpersonationLevel != SecurityIdentification)
        unsafeOpens.push_back(ToUtf8(name) + ": a server behind it could act as the program");
    if (!(options & FILE_COMPLETE_IF_OPLOCKED)) unsafeOpens.push_back(ToUtf8(name) + ": may wait on an oplock");
    if (object->RootDirectory && !(options & FILE_OPEN_REPARSE_POINT))
        unsafeOpens.push_back(ToUtf8(name) + ": follows a link");
    if (object->RootDirectory && name.find(L'\\') != std::wstring::npos)
        unsafeOpens.push_back(ToUtf8(name) + ": more than one name below the held folder");
    if (beforeOpen) beforeOpen(name, disposition);
    NTSTATUS result =
        ::NtCreateFile(handle, access, object, status, size, attributes, share, disposition, options, ea, eaLength);
    return afterOpen ? afterOpen(name, result) : result;
}

// 220 characters: the folders still fit (244), the log file's path would not (261).
const std::wstring kDeepFolder = L"C:\\deep\\" + std::wstring(212, L'd');
BOOL WINAPI DeepFolder(HWND, LPWSTR path, int, BOOL) {
    wcscpy(path, kDeepFolder.c_str());
    return TRUE;
}

class SetupLogWriters : public ::testing::Test {
protected:
    void SetUp() override {
        RemoveTree(LocalAppDataFolder() + L"\\Tarvolund");
        RemoveTree(L"C:\\Prevault");
        api().GetLocalTime = FixedTime;
        api().NtCreateFile = HookedOpen;
        beforeOpen = nullptr;
        afterOpen = nullptr;
        unsafeOpens.clear();
    }
    void TearDown() override {
        RemoveTree(LocalAppDataFolder() + L"\\Tarvolund");
        RemoveTree(L"C:\\Prevault");
    }
    ApiRestore restore_;
};

TEST_F(SetupLogWriters, FirstEntryCreatesBothFoldersThenTheFile) {
    ASSERT_FALSE(FileExists(LocalAppDataFolder() + L"\\Tarvolund"));
    MakeFolders(kPrevaultFolder);
    EXPECT_EQ(WriteSetupLog("abc\n"), 1);
    EXPECT_EQ(WritePrevaultLog("abc\n"), 1);
    // 22-character prefix, the message byte for byte, "\n" stored as CR LF.
    EXPECT_EQ(ReadFileBytes(SetupLogPath()), "[2013-12-31 23:59:59] abc\r\n");
    EXPECT_EQ(ReadFileBytes(SetupLogPath()).size(), 27u);
    // What Wine cannot show, seen at the seam: each open stays below the held
    // folder, opens a link as itself, lets a server behind the name only
    // identify the program, and never waits on another program's oplock.
    EXPECT_EQ(unsafeOpens, std::vector<std::string>{});
}

TEST_F(SetupLogWriters, AddsNoLineEndSoTwoMessagesWithoutOneShareALine) {
    WriteSetupLog("first (80070005)");
    WriteSetupLog("second\n");
    WriteSetupLog("a\nb\n");
    EXPECT_EQ(ReadFileBytes(SetupLogPath()),
              "[2013-12-31 23:59:59] first (80070005)[2013-12-31 23:59:59] second\r\n"
              "[2013-12-31 23:59:59] a\r\nb\r\n");
}

TEST_F(SetupLogWriters, TimestampIsZeroPaddedLocalTime) {
    api().GetLocalTime = MorningTime;
    WriteSetupLog("Install: Custom Setup completed successfully.\n");
    EXPECT_EQ(ReadFileBytes(SetupLogPath()), "[2013-03-01 09:05:03] Install: Custom Setup completed successfully.\r\n");
}

TEST_F(SetupLogWriters, PrevaultLogIsWrittenOnlyWhereItsFolderExists) {
    EXPECT_EQ(WritePrevaultLog("x\n"), 0);
    EXPECT_FALSE(FileExists(L"C:\\Prevault"));
    EXPECT_EQ(WriteSetupLog("x\n"), 1);

    MakeFolders(kPrevaultFolder);
    EXPECT_EQ(WritePrevaultLog("y\n"), 1);
    EXPECT_EQ(ReadFileBytes(PrevaultLogPath()), "[2013-12-31 23:59:59] y\r\n");
}

TEST_F(SetupLogWriters, LogMessageWritesTheSameEntryToBothLogs) {
    MakeFolders(kPrevaultFolder);
    LogMessage("both\n");
    EXPECT_EQ(ReadFileBytes(SetupLogPath()), "[2013-12-31 23:59:59] both\r\n");
    EXPECT_EQ(ReadFileBytes(PrevaultLogPath()), "[2013-12-31 23:59:59] both\r\n");
}

struct SizeCase {
    const char* name;
    size_t bytesBefore;
    bool keptOldEntries;
};

class LogSizeLimit : public SetupLogWriters, public ::testing::WithParamInterface<SizeCase> {};

TEST_P(LogSizeLimit, OnlyALogOverTheLimitIsStartedAnew) {
    MakeFolders(kPrevaultFolder);
    WriteSetupLog("");  // creates the folders
    const std::string old(GetParam().bytesBefore, 'o');
    for (const std::wstring& path : {SetupLogPath(), PrevaultLogPath()}) WriteFileBytes(path, old);

    WriteSetupLog("new\n");
    WritePrevaultLog("new\n");

    const std::string entry = "[2013-12-31 23:59:59] new\r\n";
    for (const std::wstring& path : {SetupLogPath(), PrevaultLogPath()}) {
        EXPECT_EQ(ReadFileBytes(path), GetParam().keptOldEntries ? old + entry : entry) << ToUtf8(path);
    }
}

INSTANTIATE_TEST_SUITE_P(Boundary, LogSizeLimit,
                         ::testing::Values(SizeCase{"AtTheLimitKept", 1048575, true},
                                           SizeCase{"OneByteOverStartedAnew", 1048576, false}),
                         [](const ::testing::TestParamInfo<SizeCase>& info) { return info.param.name; });

TEST_F(SetupLogWriters, SizeTestUsesAllSixtyFourBitsOfTheSize) {
    WriteSetupLog("");
    emptied = 0;
    api().GetFileInformationByHandle = ReportingFourGiB;
    api().SetFileInformationByHandle = RecordEmptying;
    WriteSetupLog("x\n");
    EXPECT_EQ(emptied, 1);
    EXPECT_EQ(ReadFileBytes(SetupLogPath()), "[2013-12-31 23:59:59] x\r\n");
}

TEST_F(SetupLogWriters, AppendsWithoutReadingSoAnEndingCtrlZStays) {
    WriteSetupLog("");
    WriteFileBytes(SetupLogPath(), "old\r\n\x1a");
    WriteSetupLog("new\n");
    EXPECT_EQ(ReadFileBytes(SetupLogPath()), "old\r\n\x1a[2013-12-31 23:59:59] new\r\n");
}

TEST_F(SetupLogWriters, EntryIsDroppedWhileTheLogIsHeldOpenExclusively) {
    WriteSetupLog("before\n");
    HANDLE held = CreateFileW(SetupLogPath().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(WriteSetupLog("dropped\n"), 0);
    CloseHandle(held);
    EXPECT_EQ(WriteSetupLog("after\n"), 1);
    EXPECT_EQ(SetupLog(), "[T] before\r\n[T] after\r\n");
}

TEST_F(SetupLogWriters, EntryIsDroppedWhenTheApplicationDataFolderIsUnknown) {
    api().SHGetSpecialFolderPathW = NoFolder;
    EXPECT_EQ(CreateSetupLogFolder(), 0);
    EXPECT_EQ(WriteSetupLog("lost\n"), 0);
    // Nothing lands at the drive's root instead.
    EXPECT_FALSE(FileExists(L"C:\\Tarvolund"));
    EXPECT_FALSE(FileExists(L"\\Tarvolund"));
}

TEST_F(SetupLogWriters, EntryIsDroppedWhenItsPathWouldNotFit) {
    MakeFolders(kDeepFolder);
    api().SHGetSpecialFolderPathW = DeepFolder;
    EXPECT_EQ(WriteSetupLog("lost\n"), 0);
    const std::wstring folder = kDeepFolder + L"\\Tarvolund\\Tarvo Quelmar";
    EXPECT_TRUE(FileExists(folder));
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\Quelmar*").c_str(), &found);
    EXPECT_EQ(search, INVALID_HANDLE_VALUE) << "a cut path was written: " << ToUtf8(found.cFileName);
    if (search != INVALID_HANDLE_VALUE) FindClose(search);
    RemoveTree(L"C:\\deep");
}

// Links planted in the logs' folders by someone who is not an administrator.
// Wine makes no junction and its CreateSymbolicLinkW makes nothing, so a Unix
// symbolic link in the prefix stands in for one: Wine reports a folder link
// by name as a reparse point, but follows it when opening, and names its
// target as the final path. Hard links are Windows' own.

// The Unix path of an existing file or folder of the prefix.
std::string UnixPath(const std::wstring& path) {
    using ToUnix = char*(CDECL*)(LPCWSTR);
    auto toUnix = reinterpret_cast<ToUnix>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    char* unixPath = toUnix ? toUnix(path.c_str()) : nullptr;
    std::string result = unixPath ? unixPath : "";
    if (unixPath) HeapFree(GetProcessHeap(), 0, unixPath);
    return result;
}

// Runs a shell command on the Linux side. Wine starts a Unix program without
// a handle to wait on, so the command leaves a mark when it is done.
void RunUnixCommand(const std::string& command) {
    const std::wstring mark = L"C:\\unix-command-done";
    DeleteFileW(mark.c_str());
    std::wstring line = ToWide("/bin/sh -c \"" + command + " && touch '" + UnixPath(L"C:\\") + "/unix-command-done'\"");
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    ASSERT_TRUE(
        CreateProcessW(L"Z:\\bin\\sh", &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process));
    for (int i = 0; i < 1000 && !FileExists(mark); ++i) Sleep(10);
    ASSERT_TRUE(FileExists(mark)) << command;
    DeleteFileW(mark.c_str());
}

// Where followed links would lead: over-size logs, so that a followed size
// test would empty them too, and a file of the machine.
const std::wstring kOutside = L"C:\\Outside";
const std::wstring kOutsideFile = kOutside + L"\\victim.txt";
const std::wstring kOutsideFiles[] = {L"\\Logs\\QuelmarSetup.log", L"\\Tarvo Quelmar\\QuelmarSetup.log",
                                      L"\\QuelmarSetup.log", L"\\victim.txt"};

// Every file and folder under the folder, with each file's size and a digest of its bytes.
std::string Snapshot(const std::wstring& folder) {
    std::string listing;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return listing;
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        const std::wstring path = folder + L"\\" + name;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            listing += ToUtf8(path) + "\\\n" + Snapshot(path);
        } else {
            const std::string bytes = ReadFileBytes(path);
            listing += ToUtf8(path) + " " + std::to_string(bytes.size()) + " " +
                       std::to_string(std::hash<std::string>()(bytes)) + "\n";
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return listing;
}

enum class Link { ToFolder, ToEmptyFolder, ToFile, ToMissingFile, HardToFile, ReparseAttribute };

// A level or the file that the file system reports as a reparse point, which
// Wine cannot make: the seam adds the attribute for the entry of that name.
const wchar_t* reportedAsReparsePoint;
BOOL WINAPI ReportingReparsePoint(HANDLE entry, LPBY_HANDLE_FILE_INFORMATION info) {
    BOOL ok = ::GetFileInformationByHandle(entry, info);
    wchar_t path[MAX_PATH + 4] = {};
    GetFinalPathNameByHandleW(entry, path, MAX_PATH + 4, 0);
    const std::wstring finalPath = path, name = std::wstring(L"\\") + reportedAsReparsePoint;
    if (finalPath.size() > name.size() && finalPath.compare(finalPath.size() - name.size(), name.size(), name) == 0)
        info->dwFileAttributes |= FILE_ATTRIBUTE_REPARSE_POINT;
    return ok;
}

enum class Log { Setup, Prevault };

// A log's folder levels and its file.
struct LogEntries {
    std::wstring paths[3];
    explicit LogEntries(Log log) {
        const bool setup = log == Log::Setup;
        paths[0] = (setup ? LocalAppDataFolder() : std::wstring(L"C:")) + (setup ? L"\\Tarvolund" : L"\\Prevault");
        paths[1] = paths[0] + (setup ? L"\\Tarvo Quelmar" : L"\\Logs");
        paths[2] = paths[1] + L"\\QuelmarSetup.log";
    }
    std::wstring name(int level) const { return paths[level].substr(paths[level].find_last_of(L'\\') + 1); }
};

int Write(Log log, const char* message) {
    return log == Log::Setup ? WriteSetupLog(message) : WritePrevaultLog(message);
}

class Links : public SetupLogWriters {
protected:
    // Each case has outside files of its own, so that one failure stays one.
    void SetUp() override {
        SetupLogWriters::SetUp();
        RemoveTree(kOutside);
        MakeFolders(kOutside + L"\\Empty");
        for (const std::wstring& file : kOutsideFiles) {
            MakeFolders((kOutside + file).substr(0, (kOutside + file).find_last_of(L'\\')));
            WriteFileBytes(kOutside + file, std::string(kLogSizeLimitPlusOne, 'o'));
        }
        api().GetFileInformationByHandle = ReportingReparsePoint;
        reportedAsReparsePoint = L"";
    }
    void TearDown() override {
        // Before the folders are removed, which would follow a folder link.
        for (const std::string& link : planted_) RunUnixCommand("rm -f '" + link + "'");
        SetupLogWriters::TearDown();
        RemoveTree(kOutside);
    }
    void Plant(Link link, const std::wstring& path) {
        if (link == Link::ReparseAttribute) {
            reportedAsReparsePoint = wcsrchr(path.c_str(), L'\\') + 1;
            return;
        }
        const size_t cut = path.find_last_of(L'\\');
        const std::string planted = UnixPath(path.substr(0, cut + 1)) + "/" + ToUtf8(path.substr(cut + 1));
        planted_.push_back(planted);
        if (link == Link::HardToFile) {
            ASSERT_TRUE(CreateHardLinkW(path.c_str(), kOutsideFile.c_str(), nullptr));
            return;
        }
        const std::string target = UnixPath(kOutside) + (link == Link::ToFolder        ? ""
                                                         : link == Link::ToEmptyFolder ? "/Empty"
                                                         : link == Link::ToFile        ? "/victim.txt"
                                                                                       : "/missing.txt");
        RunUnixCommand("ln -s '" + target + "' '" + planted + "'");
        ASSERT_TRUE(GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES || link == Link::ToMissingFile);
    }
    static constexpr size_t kLogSizeLimitPlusOne = 1048576;
    std::vector<std::string> planted_;
};

struct PlantedCase {
    const char* name;
    Log log;
    int level;  // 0 and 1: the folder levels; 2: the file
    Link link;
};

class PlantedLink : public Links, public ::testing::WithParamInterface<PlantedCase> {};

TEST_P(PlantedLink, EntryIsDroppedAndNothingOutsideIsWrittenOrDeleted) {
    const PlantedCase& c = GetParam();
    const LogEntries entries(c.log);
    // A level reported as a reparse point is there itself.
    const int made = c.link == Link::ReparseAttribute ? std::min(c.level + 1, 2) : c.level;
    for (int i = 0; i < made; ++i) ASSERT_TRUE(CreateDirectoryW(entries.paths[i].c_str(), nullptr));
    Plant(c.link, entries.paths[c.level]);
    const std::string before = Snapshot(kOutside);
    ASSERT_NE(before.find("victim.txt 1048576"), std::string::npos) << before;

    EXPECT_EQ(Write(c.log, "entry\n"), 0);

    EXPECT_EQ(Snapshot(kOutside), before);
    EXPECT_EQ(ReadFileBytes(entries.paths[2]).find("entry"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    AtEachLevel, PlantedLink,
    ::testing::Values(PlantedCase{"SetupFirstFolderToFolder", Log::Setup, 0, Link::ToFolder},
                      // Where the second level is not there already to fail its own check.
                      PlantedCase{"SetupFirstFolderToEmptyFolder", Log::Setup, 0, Link::ToEmptyFolder},
                      PlantedCase{"SetupFirstFolderToFile", Log::Setup, 0, Link::ToFile},
                      PlantedCase{"SetupFirstFolderReportedAsReparsePoint", Log::Setup, 0, Link::ReparseAttribute},
                      PlantedCase{"SetupSecondFolderToFolder", Log::Setup, 1, Link::ToFolder},
                      PlantedCase{"SetupSecondFolderToFile", Log::Setup, 1, Link::ToFile},
                      PlantedCase{"SetupFileToFolder", Log::Setup, 2, Link::ToFolder},
                      PlantedCase{"SetupFileToFile", Log::Setup, 2, Link::ToFile},
                      PlantedCase{"SetupFileToMissingFile", Log::Setup, 2, Link::ToMissingFile},
                      PlantedCase{"SetupFileHardLink", Log::Setup, 2, Link::HardToFile},
                      PlantedCase{"SetupFileReportedAsReparsePoint", Log::Setup, 2, Link::ReparseAttribute},
                      PlantedCase{"PrevaultFirstFolderToFolder", Log::Prevault, 0, Link::ToFolder},
                      PlantedCase{"PrevaultFirstFolderToFile", Log::Prevault, 0, Link::ToFile},
                      PlantedCase{"PrevaultSecondFolderToFolder", Log::Prevault, 1, Link::ToFolder},
                      PlantedCase{"PrevaultSecondFolderToFile", Log::Prevault, 1, Link::ToFile},
                      PlantedCase{"PrevaultSecondFolderReportedAsReparsePoint", Log::Prevault, 1,
                                  Link::ReparseAttribute},
                      PlantedCase{"PrevaultFileToFolder", Log::Prevault, 2, Link::ToFolder},
                      PlantedCase{"PrevaultFileToFile", Log::Prevault, 2, Link::ToFile},
                      PlantedCase{"PrevaultFileToMissingFile", Log::Prevault, 2, Link::ToMissingFile},
                      PlantedCase{"PrevaultFileHardLink", Log::Prevault, 2, Link::HardToFile}),
    [](const ::testing::TestParamInfo<PlantedCase>& info) { return info.param.name; });

// A level checked and held, then turned into a link by its owner before the
// next open: on Windows, a mount point set on the emptied folder. Wine has
// none; a Unix link swapped in from the Linux side stands in for it.
struct SwapCase {
    const char* name;
    Log log;
    int level;  // the folder swapped, just before the entry below it is opened
};

class SwappedAfterCheck : public Links, public ::testing::WithParamInterface<SwapCase> {};

TEST_P(SwappedAfterCheck, NothingOutsideIsCreatedOrChanged) {
    const SwapCase& c = GetParam();
    const LogEntries entries(c.log);
    MakeFolders(entries.paths[1]);
    const std::wstring held = entries.paths[c.level];
    const std::wstring next = entries.name(c.level + 1);
    BOOL renamed = TRUE;
    beforeOpen = [&](const std::wstring& name, ULONG) {
        if (name != next || !planted_.empty()) return;
        // Held without delete sharing, the level cannot be renamed from Windows...
        renamed = MoveFileW(held.c_str(), (held + L".moved").c_str());
        // ...but the file system's owner can still make it lead elsewhere.
        const std::string unixHeld = UnixPath(held);
        planted_.push_back(unixHeld);
        RunUnixCommand("mv '" + unixHeld + "' '" + unixHeld + ".away' && ln -s '" + UnixPath(kOutside) + "/Empty' '" +
                       unixHeld + "'");
    };
    const std::string before = Snapshot(kOutside);

    const int written = Write(c.log, "entry\n");

    EXPECT_FALSE(renamed) << "a held level was renamed";
    EXPECT_FALSE(planted_.empty()) << "the open below the level was never made";
    EXPECT_EQ(Snapshot(kOutside), before);
    // Wine opens the entry through the held folder's handle, so it lands in
    // the folder moved away, where that handle points; it then names the link's
    // target as the entry's final path, so the check refuses it and the entry
    // is dropped. Windows names where the handle points, inside the log's folder.
    EXPECT_TRUE(FileExists(held + L".away\\" + next));
    EXPECT_EQ(written, 0);
    RemoveTree(held + L".away");
}

INSTANTIATE_TEST_SUITE_P(EachLevel, SwappedAfterCheck,
                         ::testing::Values(SwapCase{"SetupFirstFolder", Log::Setup, 0},
                                           SwapCase{"SetupSecondFolder", Log::Setup, 1},
                                           SwapCase{"PrevaultFirstFolder", Log::Prevault, 0},
                                           SwapCase{"PrevaultSecondFolder", Log::Prevault, 1}),
                         [](const ::testing::TestParamInfo<SwapCase>& info) { return info.param.name; });

// A profile that an administrator moved elsewhere behind a link keeps its log there.
const std::wstring kMovedProfile = L"C:\\MovedProfile";
BOOL WINAPI MovedFolder(HWND, LPWSTR path, int, BOOL) {
    wcscpy(path, kMovedProfile.c_str());
    return TRUE;
}

TEST_F(Links, ApplicationDataFolderBehindALinkKeepsItsLog) {
    const std::wstring movedTo = kOutside + L"\\Profile";
    MakeFolders(movedTo);
    RunUnixCommand("ln -s '" + UnixPath(movedTo) + "' '" + UnixPath(L"C:\\") + "/MovedProfile'");
    planted_.push_back(UnixPath(L"C:\\") + "/MovedProfile");
    api().SHGetSpecialFolderPathW = MovedFolder;

    EXPECT_EQ(WriteSetupLog("moved\n"), 1);

    EXPECT_EQ(ReadFileBytes(movedTo + L"\\Tarvolund\\Tarvo Quelmar\\QuelmarSetup.log"),
              "[2013-12-31 23:59:59] moved\r\n");
}

// The file system names a folder as it is written on disk.
TEST_F(SetupLogWriters, FolderWrittenInAnotherCaseOnDiskIsStillWritten) {
    MakeFolders(L"C:\\PREVAULT\\LOGS");
    EXPECT_EQ(WritePrevaultLog("upper\n"), 1);
    EXPECT_EQ(ReadFileBytes(L"C:\\PREVAULT\\LOGS\\QuelmarSetup.log"), "[2013-12-31 23:59:59] upper\r\n");
}

// Another program makes a level between the open that finds nothing and the
// one that makes it: the level is opened and checked like any other.
TEST_F(SetupLogWriters, LevelMadeByAnotherProgramMeanwhileIsOpened) {
    const LogEntries entries(Log::Setup);
    beforeOpen = [&](const std::wstring& name, ULONG disposition) {
        if (disposition == FILE_CREATE && name == entries.name(0)) CreateDirectoryW(entries.paths[0].c_str(), nullptr);
    };
    EXPECT_EQ(WriteSetupLog("raced\n"), 1);
    EXPECT_EQ(ReadFileBytes(SetupLogPath()), "[2013-12-31 23:59:59] raced\r\n");
}

// A user who holds an opportunistic lock on the log (or its folder) makes an
// open wait until they give it up. Wine has no oplocks: the seam reports the
// break in progress, and how the wait for its end goes.
enum class BreakEnds { AtOnce, InTime, Never, NotifyFails };
DWORD waitedMs;
bool cancelled;
BreakEnds breakEnds;
BOOL WINAPI NotifyOfBreak(HANDLE, DWORD code, LPVOID, DWORD, LPVOID, DWORD, LPDWORD, LPOVERLAPPED) {
    if (code != FSCTL_OPLOCK_BREAK_NOTIFY) return FALSE;
    if (breakEnds == BreakEnds::AtOnce) return TRUE;
    SetLastError(breakEnds == BreakEnds::NotifyFails ? ERROR_INVALID_PARAMETER : ERROR_IO_PENDING);
    return FALSE;
}
DWORD WINAPI WaitForBreak(HANDLE, DWORD ms) {
    waitedMs = ms;
    return breakEnds == BreakEnds::InTime ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
}
BOOL WINAPI BreakResult(HANDLE, LPOVERLAPPED, LPDWORD, BOOL) {
    if (breakEnds == BreakEnds::InTime) return TRUE;
    SetLastError(ERROR_OPERATION_ABORTED);
    return FALSE;
}
BOOL WINAPI CancelNotify(HANDLE, LPOVERLAPPED) {
    cancelled = true;
    return TRUE;
}

struct OplockCase {
    const char* name;
    const wchar_t* oplocked;  // the entry whose open starts a break
    BreakEnds ends;
    bool written;
};

class OplockedLog : public SetupLogWriters, public ::testing::WithParamInterface<OplockCase> {};

TEST_P(OplockedLog, EntryWaitsAtMostOneSecondForTheBreak) {
    const OplockCase& c = GetParam();
    MakeFolders(kPrevaultFolder);
    WriteFileBytes(PrevaultLogPath(), "old\r\n");
    breakEnds = c.ends;
    waitedMs = 0;
    cancelled = false;
    afterOpen = [&](const std::wstring& name, NTSTATUS result) {
        return result == 0 && name == c.oplocked ? NTSTATUS(0x108) : result;  // STATUS_OPLOCK_BREAK_IN_PROGRESS
    };
    api().DeviceIoControl = NotifyOfBreak;
    api().WaitForSingleObject = WaitForBreak;
    api().GetOverlappedResult = BreakResult;
    api().CancelIoEx = CancelNotify;

    EXPECT_EQ(WritePrevaultLog("new\n"), c.written ? 1 : 0);

    EXPECT_EQ(ReadFileBytes(PrevaultLogPath()),
              std::string("old\r\n") + (c.written ? "[2013-12-31 23:59:59] new\r\n" : ""));
    const bool waited = c.ends == BreakEnds::InTime || c.ends == BreakEnds::Never;
    EXPECT_EQ(waitedMs, waited ? 1000u : 0u);
    EXPECT_EQ(cancelled, c.ends == BreakEnds::Never) << "a wait given up is cancelled before it ends";
}

INSTANTIATE_TEST_SUITE_P(
    Breaks, OplockedLog,
    ::testing::Values(OplockCase{"FileBreakAlreadyOver", L"QuelmarSetup.log", BreakEnds::AtOnce, true},
                      OplockCase{"FileBreakEndsInTime", L"QuelmarSetup.log", BreakEnds::InTime, true},
                      OplockCase{"FileBreakNeverEnds", L"QuelmarSetup.log", BreakEnds::Never, false},
                      OplockCase{"FileBreakCannotBeAwaited", L"QuelmarSetup.log", BreakEnds::NotifyFails, false},
                      OplockCase{"FolderBreakNeverEnds", L"Logs", BreakEnds::Never, false},
                      OplockCase{"DriveRootBreakNeverEnds", L"\\??\\C:\\", BreakEnds::Never, false}),
    [](const ::testing::TestParamInfo<OplockCase>& info) { return info.param.name; });

}  // namespace
