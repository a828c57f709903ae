// The two log writers against the real files of the test prefix.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "log/log_writer_steps.h"
#include "log/setup_log.h"
#include "test_support.h"

namespace {

const std::wstring kPrevaultFolder = L"C:\\Prevault\\Logs";

void WINAPI FixedTime(LPSYSTEMTIME now) { *now = SYSTEMTIME{2013, 12, 2, 31, 23, 59, 59, 999}; }
void WINAPI MorningTime(LPSYSTEMTIME now) { *now = SYSTEMTIME{2013, 3, 5, 1, 9, 5, 3, 7}; }
WORD second;
void WINAPI TickingTime(LPSYSTEMTIME now) { *now = SYSTEMTIME{2013, 12, 2, 31, 23, 59, second++, 0}; }

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

bool IsDriveRoot(const std::wstring& path) {
    return path.size() >= 3 && path.compare(path.size() - 3, 3, L"C:\\") == 0;
}

// Where a handle leads, as the file system names it, without the "\\?\" in front.
std::wstring FinalPath(HANDLE entry) {
    wchar_t path[MAX_PATH + 4] = {};
    return GetFinalPathNameByHandleW(entry, path, MAX_PATH + 4, 0) > 4 ? path + 4 : L"";
}

// What Windows answers where Wine answers otherwise. Wine has no \GLOBAL??
// (it answers STATUS_OBJECT_PATH_NOT_FOUND), and Wine 8 accepts
// OBJ_DONT_REPARSE but ignores it: an open through a Unix link still succeeds.
enum class Windows { Wine, Current, OlderThanNoReparse, MachineDriveDenied };
Windows windows;
std::wstring rejectedFlag;  // the last name opened with the flag that an older Windows rejected
// A held folder that its owner turned into a mount point after its check: an
// open below it that does not refuse reparse points lands in the target.
std::wstring mountPoint;
HANDLE mountPointTarget;

// Every open the writers make, through the seam: a test may act just before
// one (as another program would) or change what it reports.
std::function<void(const std::wstring& name, ULONG disposition)> beforeOpen;
std::function<NTSTATUS(const std::wstring& path, NTSTATUS result)> afterOpen;
std::vector<std::string> unsafeOpens;
std::vector<std::wstring> openedPaths;  // the held folder's final path and the name, or the full name
NTSTATUS WINAPI HookedOpen(PHANDLE handle, ACCESS_MASK access, POBJECT_ATTRIBUTES object, PIO_STATUS_BLOCK status,
                           PLARGE_INTEGER size, ULONG attributes, ULONG share, ULONG disposition, ULONG options,
                           PVOID ea, ULONG eaLength) {
    const std::wstring name(object->ObjectName->Buffer, object->ObjectName->Length / sizeof(wchar_t));
    const std::wstring above = object->RootDirectory ? FinalPath(object->RootDirectory) : L"";
    const std::wstring path = !object->RootDirectory  ? name
                              : above.back() == L'\\' ? above + name
                                                      : above + L"\\" + name;
    openedPaths.push_back(path);
    const bool refusesReparse = (object->Attributes & OBJ_DONT_REPARSE) != 0;
    if (object->RootDirectory && !refusesReparse && name != rejectedFlag)
        unsafeOpens.push_back(ToUtf8(name) + ": may pass a reparse point");
    const auto* quality = static_cast<const SECURITY_QUALITY_OF_SERVICE*>(object->SecurityQualityOfService);
    if (!quality || quality->ImpersonationLevel != SecurityIdentification)
        unsafeOpens.push_back(ToUtf8(name) + ": a server behind it could act as the program");
    if (!(options & FILE_COMPLETE_IF_OPLOCKED)) unsafeOpens.push_back(ToUtf8(name) + ": may wait on an oplock");
    if (object->RootDirectory && !(options & FILE_OPEN_REPARSE_POINT))
        unsafeOpens.push_back(ToUtf8(name) + ": follows a link");
    if (object->RootDirectory && name.find(L'\\') != std::wstring::npos)
        unsafeOpens.push_back(ToUtf8(name) + ": more than one name below the held folder");
    if (beforeOpen) beforeOpen(name, disposition);
    OBJECT_ATTRIBUTES asked = *object;
    if (windows == Windows::OlderThanNoReparse && object->RootDirectory && refusesReparse) {
        rejectedFlag = name;
        return NTSTATUS(0xC000000D);  // STATUS_INVALID_PARAMETER
    }
    UNICODE_STRING wineName = {14, 14, const_cast<PWSTR>(L"\\??\\C:\\")};
    if (windows != Windows::Wine && name == L"\\GLOBAL??\\C:\\") {
        if (windows == Windows::MachineDriveDenied) return NTSTATUS(0xC0000022);  // STATUS_ACCESS_DENIED
        asked.ObjectName = &wineName;  // Wine's one device map is the machine's
    }
    if (object->RootDirectory && !mountPoint.empty() && _wcsicmp(above.c_str(), mountPoint.c_str()) == 0) {
        if (refusesReparse) return NTSTATUS(0xC000050B);  // STATUS_REPARSE_POINT_ENCOUNTERED
        asked.RootDirectory = mountPointTarget;
    }
    NTSTATUS result =
        ::NtCreateFile(handle, access, &asked, status, size, attributes, share, disposition, options, ea, eaLength);
    return afterOpen ? afterOpen(path, result) : result;
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
        openedPaths.clear();
        windows = Windows::Wine;
        rejectedFlag.clear();
        mountPoint.clear();
        setupLogRun = prevaultLogRun = LogRun{};
    }
    void TearDown() override {
        RemoveTree(LocalAppDataFolder() + L"\\Tarvolund");
        RemoveTree(L"C:\\Prevault");
        setupLogRun = prevaultLogRun = LogRun{};  // a new run for the tests that follow
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
    // folder, opens a link as itself, refuses any reparse point on the way,
    // lets a server behind the name only identify the program, and never
    // waits on another program's oplock.
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
    second = 0;
    api().GetLocalTime = TickingTime;  // a second passes between the two entries
    LogMessage("both\n");
    // The setup log first, then the Prevault log.
    EXPECT_EQ(ReadFileBytes(SetupLogPath()), "[2013-12-31 23:59:00] both\r\n");
    EXPECT_EQ(ReadFileBytes(PrevaultLogPath()), "[2013-12-31 23:59:01] both\r\n");
}

struct WindowsCase {
    const char* name;
    Windows windows;
    bool prevaultWritten;
    std::vector<std::wstring> driveOpens;  // the names under which the Prevault log's drive is opened
};

class OnWindows : public SetupLogWriters, public ::testing::WithParamInterface<WindowsCase> {};

TEST_P(OnWindows, PrevaultLogIsOnTheMachinesDriveAndNoOpenPassesAReparsePoint) {
    const WindowsCase& c = GetParam();
    windows = c.windows;
    MakeFolders(kPrevaultFolder);
    LogMessage("both\n");
    EXPECT_EQ(ReadFileBytes(SetupLogPath()), "[2013-12-31 23:59:59] both\r\n");
    EXPECT_EQ(ReadFileBytes(PrevaultLogPath()), c.prevaultWritten ? "[2013-12-31 23:59:59] both\r\n" : "");
    std::vector<std::wstring> driveOpens;
    std::copy_if(openedPaths.begin(), openedPaths.end(), std::back_inserter(driveOpens), IsDriveRoot);
    EXPECT_EQ(driveOpens, c.driveOpens);
    // The flag goes without an open below a held folder only after a Windows older than it rejected it.
    EXPECT_EQ(unsafeOpens, std::vector<std::string>{});
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Kinds, OnWindows,
    ::testing::Values(
        //          name                  windows                       written  drive opened as
        WindowsCase{"Wine",               Windows::Wine,                true,    {L"\\GLOBAL??\\C:\\", L"\\??\\C:\\"}},
        WindowsCase{"KnowingTheFlag",     Windows::Current,             true,    {L"\\GLOBAL??\\C:\\"}},
        WindowsCase{"OlderThanTheFlag",   Windows::OlderThanNoReparse,  true,    {L"\\GLOBAL??\\C:\\"}},
        // Never the caller's own drive instead.
        WindowsCase{"MachineDriveDenied", Windows::MachineDriveDenied,  false,   {L"\\GLOBAL??\\C:\\"}}),
    [](const ::testing::TestParamInfo<WindowsCase>& info) { return info.param.name; });
// clang-format on

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

// The log is written without sharing: another program that holds it open,
// sharing or not, makes the entry drop.
class HeldLog : public SetupLogWriters, public ::testing::WithParamInterface<DWORD> {};

TEST_P(HeldLog, EntryIsDroppedWhileAnotherProgramHoldsTheLogOpen) {
    WriteSetupLog("before\n");
    HANDLE held = CreateFileW(SetupLogPath().c_str(), GENERIC_READ | GENERIC_WRITE, GetParam(), nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(WriteSetupLog("dropped\n"), 0);
    CloseHandle(held);
    EXPECT_EQ(WriteSetupLog("after\n"), 1);
    EXPECT_EQ(SetupLog(), "[T] before\r\n[T] after\r\n");
}

INSTANTIATE_TEST_SUITE_P(ShareModes, HeldLog, ::testing::Values(DWORD{0}, DWORD{FILE_SHARE_READ | FILE_SHARE_WRITE}),
                         [](const ::testing::TestParamInfo<DWORD>& info) {
                             return info.param ? "SharingReadAndWrite" : "Exclusively";
                         });

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

enum class Link {
    ToFolder,
    ToEmptyFolder,
    ToFile,
    ToMissingFile,
    HardToFile,
    ReparseAttribute,
    MountPoint,
    MountPointOnLogs
};

// A level or the file that the file system reports as a reparse point, which
// Wine cannot make: the seam adds the attribute for the entry of that name.
const wchar_t* reportedAsReparsePoint;
BOOL WINAPI ReportingReparsePoint(HANDLE entry, LPBY_HANDLE_FILE_INFORMATION info) {
    BOOL ok = ::GetFileInformationByHandle(entry, info);
    const std::wstring finalPath = FinalPath(entry), name = std::wstring(L"\\") + reportedAsReparsePoint;
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
        if (!mountPoint.empty()) CloseHandle(mountPointTarget);
        SetupLogWriters::TearDown();
        RemoveTree(kOutside);
    }
    void Plant(Link link, const std::wstring& path) {
        if (link == Link::ReparseAttribute) {
            reportedAsReparsePoint = wcsrchr(path.c_str(), L'\\') + 1;
            return;
        }
        if (link == Link::MountPoint || link == Link::MountPointOnLogs) {  // on the level itself, after its check
            const std::wstring target = link == Link::MountPoint ? kOutside + L"\\Empty" : kOutside;
            mountPointTarget =
                CreateFileW(target.c_str(), FILE_LIST_DIRECTORY | FILE_TRAVERSE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
            ASSERT_NE(mountPointTarget, INVALID_HANDLE_VALUE);
            mountPoint = path;
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
    Windows windows = Windows::Wine;
};

class PlantedLink : public Links, public ::testing::WithParamInterface<PlantedCase> {};

TEST_P(PlantedLink, EntryIsDroppedAndNothingOutsideIsWrittenOrDeleted) {
    const PlantedCase& c = GetParam();
    const LogEntries entries(c.log);
    windows = c.windows;
    // A level reported as a reparse point, or made one, is there itself.
    const bool itself = c.link >= Link::ReparseAttribute;
    const int made = itself ? std::min(c.level + 1, 2) : c.level;
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
                      PlantedCase{"SetupFirstFolderMadeAMountPoint", Log::Setup, 0, Link::MountPoint},
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
                      PlantedCase{"PrevaultSecondFolderMadeAMountPoint", Log::Prevault, 1, Link::MountPoint},
                      // Without the flag the open passes the mount point: what it made there is deleted, what it
                      // found there is left as it was.
                      PlantedCase{"SetupFirstFolderMadeAMountPointWithoutTheFlag", Log::Setup, 0, Link::MountPoint,
                                  Windows::OlderThanNoReparse},
                      PlantedCase{"PrevaultSecondFolderMadeAMountPointWithoutTheFlag", Log::Prevault, 1,
                                  Link::MountPoint, Windows::OlderThanNoReparse},
                      PlantedCase{"PrevaultSecondFolderMadeAMountPointOnLogsWithoutTheFlag", Log::Prevault, 1,
                                  Link::MountPointOnLogs, Windows::OlderThanNoReparse},
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
// open wait until they give it up; a write may be kept pending too. Wine has
// no oplocks, and ends a write to the log before the program waits for it:
// the seam reports the break in progress or keeps the write pending, and ends
// the request as the case says, on a clock of its own that the waits advance.
enum class Ends { AtOnce, InTime, Never, NotifyFails };
Ends ends;
DWORD takesMs;  // how long a request that ends in time takes
LONGLONG clockMs;
BOOL WINAPI ClockFrequency(LARGE_INTEGER* perSecond) {
    perSecond->QuadPart = 1000;
    return TRUE;
}
BOOL WINAPI ClockNow(LARGE_INTEGER* now) {
    now->QuadPart = clockMs;
    return TRUE;
}
std::vector<DWORD> waitsMs;
int cancels;
bool waitedWithoutEnd;
struct PendingRequest {
    HANDLE entry;
    LPOVERLAPPED request;
    std::function<void()> finish;
    bool over;
    bool cancelled;
};
PendingRequest pending;
BOOL Pend(HANDLE entry, LPOVERLAPPED request, std::function<void()> finish) {
    pending = {entry, request, std::move(finish), false, false};
    SetLastError(ERROR_IO_PENDING);
    return FALSE;
}
bool IsPending(HANDLE entry, LPOVERLAPPED request) {
    return pending.request && pending.entry == entry && (!request || request == pending.request);
}
void Finish() {
    pending.finish();
    pending.over = true;
}

BOOL WINAPI NotifyOfBreak(HANDLE entry, DWORD code, LPVOID, DWORD, LPVOID, DWORD, LPDWORD, LPOVERLAPPED request) {
    if (code != FSCTL_OPLOCK_BREAK_NOTIFY) return FALSE;
    if (ends == Ends::AtOnce) return TRUE;
    if (ends == Ends::NotifyFails) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return Pend(entry, request, [] {});
}
const wchar_t* pendingWritesTo;  // the file whose writes the seam keeps pending
BOOL WINAPI WriteLater(HANDLE file, LPCVOID bytes, DWORD count, LPDWORD written, LPOVERLAPPED request) {
    if (!pendingWritesTo || FinalPath(file) != pendingWritesTo)
        return ::WriteFile(file, bytes, count, written, request);
    const std::string kept(static_cast<const char*>(bytes), count);
    return Pend(file, request, [file, kept] {
        OVERLAPPED atEnd = {};
        atEnd.Offset = atEnd.OffsetHigh = 0xFFFFFFFF;
        DWORD done;
        if (!::WriteFile(file, kept.data(), DWORD(kept.size()), &done, &atEnd))
            ::GetOverlappedResult(file, &atEnd, &done, TRUE);
    });
}
DWORD WINAPI WaitForRequestEnd(HANDLE entry, DWORD ms) {
    if (!IsPending(entry, nullptr)) return ::WaitForSingleObject(entry, ms);
    waitsMs.push_back(ms);
    const bool inTime = ends == Ends::InTime && takesMs <= ms;
    clockMs += inTime ? takesMs : ms;
    if (!inTime) return WAIT_TIMEOUT;
    Finish();
    return WAIT_OBJECT_0;
}
BOOL WINAPI RequestResult(HANDLE entry, LPOVERLAPPED request, LPDWORD bytes, BOOL wait) {
    if (!IsPending(entry, request)) return ::GetOverlappedResult(entry, request, bytes, wait);
    if (wait && !pending.over && !pending.cancelled) {
        // A wait without bound: it ends only if the request does.
        if (ends == Ends::InTime)
            Finish();
        else
            waitedWithoutEnd = true;
    }
    const bool over = pending.over;
    if (!over && !pending.cancelled && !wait) {
        SetLastError(ERROR_IO_INCOMPLETE);
        return FALSE;
    }
    pending = {};
    SetLastError(over ? ERROR_SUCCESS : ERROR_OPERATION_ABORTED);
    return over;
}
BOOL WINAPI CancelRequest(HANDLE entry, LPOVERLAPPED request) {
    if (!IsPending(entry, request)) return ::CancelIoEx(entry, request);
    pending.cancelled = true;
    ++cancels;
    return TRUE;
}

struct OplockCase {
    const char* name;
    const wchar_t* breaksOn;      // the entry whose open starts a break, and each entry below it
    const wchar_t* writesPendTo;  // the file whose writes are kept pending
    Ends ends;
    DWORD takesMs;
    bool written;
    bool stopped;                // the log takes no more entries in the run
    std::vector<DWORD> waitsMs;  // each wait's bound, in both entries
};

class OplockedLog : public SetupLogWriters, public ::testing::WithParamInterface<OplockCase> {};

TEST_P(OplockedLog, WaitsShareOneBudgetPerLogAndASpentLogTakesNoMore) {
    const OplockCase& c = GetParam();
    MakeFolders(kPrevaultFolder);
    WriteFileBytes(PrevaultLogPath(), "old\r\n");
    ends = c.ends;
    takesMs = c.takesMs;
    clockMs = 0;
    waitsMs.clear();
    cancels = 0;
    waitedWithoutEnd = false;
    pending = {};
    pendingWritesTo = c.writesPendTo;
    afterOpen = [&](const std::wstring& path, NTSTATUS result) {
        const size_t length = c.breaksOn ? wcslen(c.breaksOn) : 0;
        const bool breaks = result == 0 && length && path.compare(0, length, c.breaksOn) == 0 &&
                            (path.size() == length || path[length] == L'\\');
        return breaks ? NTSTATUS(0x108) : result;  // STATUS_OPLOCK_BREAK_IN_PROGRESS
    };
    api().DeviceIoControl = NotifyOfBreak;
    api().WriteFile = WriteLater;
    api().WaitForSingleObject = WaitForRequestEnd;
    api().GetOverlappedResult = RequestResult;
    api().CancelIoEx = CancelRequest;
    api().QueryPerformanceFrequency = ClockFrequency;
    api().QueryPerformanceCounter = ClockNow;

    EXPECT_EQ(WritePrevaultLog("new\n"), c.written ? 1 : 0);
    const std::string kept = std::string("old\r\n") + (c.written ? "[2013-12-31 23:59:59] new\r\n" : "");
    EXPECT_EQ(ReadFileBytes(PrevaultLogPath()), kept);
    const bool timedOut = c.ends == Ends::Never;
    EXPECT_EQ(cancels, timedOut ? 1 : 0) << "a wait given up is cancelled before it ends";
    EXPECT_LE(clockMs, 1000) << "the log waited longer than its budget";

    // The other log takes the next message; one that has spent its budget is not even opened.
    openedPaths.clear();
    LogMessage("next\n");
    EXPECT_EQ(ReadFileBytes(SetupLogPath()), "[2013-12-31 23:59:59] next\r\n");
    EXPECT_EQ(ReadFileBytes(PrevaultLogPath()),
              kept + (c.written && !c.stopped ? "[2013-12-31 23:59:59] next\r\n" : ""));
    const bool prevaultOpened = std::any_of(openedPaths.begin(), openedPaths.end(), [](const std::wstring& path) {
        return path.find(L"Prevault") != std::wstring::npos || IsDriveRoot(path);
    });
    EXPECT_EQ(prevaultOpened, !c.stopped);
    EXPECT_EQ(waitsMs, c.waitsMs) << "each wait given what is left of the log's budget";
    EXPECT_FALSE(waitedWithoutEnd);
}

const wchar_t* const kPrevaultLog = L"C:\\Prevault\\Logs\\QuelmarSetup.log";
const wchar_t* const kPrevaultLogs = L"C:\\Prevault\\Logs";  // the folder and the file in it
// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Breaks, OplockedLog,
    ::testing::Values(
        //         name                        breaks on        writes pend to ends               takes written stopped waits
        OplockCase{"FileBreakAlreadyOver",     kPrevaultLog,    nullptr,       Ends::AtOnce,      0,    true,   false,  {}},
        OplockCase{"FileBreakEndsInTime",      kPrevaultLog,    nullptr,       Ends::InTime,      0,    true,   false,  {1000, 1000}},
        OplockCase{"FileBreakNeverEnds",       kPrevaultLog,    nullptr,       Ends::Never,       0,    false,  true,   {1000}},
        OplockCase{"FileBreakCannotBeAwaited", kPrevaultLog,    nullptr,       Ends::NotifyFails, 0,    false,  false,  {}},
        OplockCase{"FolderBreakNeverEnds",     kPrevaultLogs,   nullptr,       Ends::Never,       0,    false,  true,   {1000}},
        // Wine's name for the drive: it has no \GLOBAL??.
        OplockCase{"DriveRootBreakNeverEnds",  L"\\??\\C:\\",   nullptr,       Ends::Never,       0,    false,  true,   {1000}},
        // Three writes an entry: the prefix, the text, the line end.
        OplockCase{"WriteEndsInTime",          nullptr,         kPrevaultLog,  Ends::InTime,      0,    true,   false,  {1000, 1000, 1000, 1000, 1000, 1000}},
        OplockCase{"WriteNeverEnds",           nullptr,         kPrevaultLog,  Ends::Never,       0,    false,  true,   {1000}},
        // Each given up just in time, by what is left of the log's one second:
        // on each level, where the second spends it, or on the last write.
        OplockCase{"BreaksOnEveryLevelInTime", L"C:\\Prevault", nullptr,       Ends::InTime,      500,  false,  true,   {1000, 500}},
        OplockCase{"LastWriteEndsJustInTime",  kPrevaultLogs,   kPrevaultLog,  Ends::InTime,      200,  true,   true,   {1000, 800, 600, 400, 200}}),
    [](const ::testing::TestParamInfo<OplockCase>& info) { return info.param.name; });
// clang-format on

}  // namespace
