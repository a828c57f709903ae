// The two log writers against the real files of the test prefix.
#include <gtest/gtest.h>

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
    }
    void TearDown() override {
        RemoveTree(LocalAppDataFolder() + L"\\Tarvolund");
        RemoveTree(L"C:\\Prevault");
    }
    ApiRestore restore_;
};

TEST_F(SetupLogWriters, FirstEntryCreatesBothFoldersThenTheFile) {
    ASSERT_FALSE(FileExists(LocalAppDataFolder() + L"\\Tarvolund"));
    EXPECT_EQ(WriteSetupLog("abc\n"), 1);
    // 22-character prefix, the message byte for byte, "\n" stored as CR LF.
    EXPECT_EQ(ReadFileBytes(SetupLogPath()), "[2013-12-31 23:59:59] abc\r\n");
    EXPECT_EQ(ReadFileBytes(SetupLogPath()).size(), 27u);
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
    EXPECT_EQ(ReadFileBytes(SetupLogPath()),
              "[2013-03-01 09:05:03] Install: Custom Setup completed successfully.\r\n");
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
    size_t bytesBefore;
    bool keptOldEntries;
};

class LogSizeLimit : public SetupLogWriters, public ::testing::WithParamInterface<SizeCase> {};

TEST_P(LogSizeLimit, OverSizeLogIsDeletedBeforeTheEntry) {
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
                         ::testing::Values(SizeCase{1048575, true}, SizeCase{1048576, false}));

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
    HANDLE held = CreateFileW(SetupLogPath().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(WriteSetupLog("dropped\n"), 0);
    CloseHandle(held);
    EXPECT_EQ(WriteSetupLog("after\n"), 1);
    EXPECT_EQ(WithoutTimestamps(ReadFileBytes(SetupLogPath())), "[T] before\r\n[T] after\r\n");
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
    auto toUnix = reinterpret_cast<ToUnix>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
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
    ASSERT_TRUE(CreateProcessW(L"Z:\\bin\\sh", &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &startup, &process));
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

enum class Link { ToFolder, ToFile, ToMissingFile, HardToFile };

class Links : public SetupLogWriters {
protected:
    static void SetUpTestSuite() {
        RemoveTree(kOutside);
        for (const std::wstring& file : kOutsideFiles) {
            MakeFolders((kOutside + file).substr(0, (kOutside + file).find_last_of(L'\\')));
            WriteFileBytes(kOutside + file, std::string(kLogSizeLimitPlusOne, 'o'));
        }
    }
    static void TearDownTestSuite() { RemoveTree(kOutside); }
    void TearDown() override {
        // Before the folders are removed, which would follow a folder link.
        if (!planted_.empty()) RunUnixCommand("rm -f '" + planted_ + "'");
        SetupLogWriters::TearDown();
    }
    void Plant(Link link, const std::wstring& path) {
        const size_t cut = path.find_last_of(L'\\');
        planted_ = UnixPath(path.substr(0, cut + 1)) + "/" + ToUtf8(path.substr(cut + 1));
        if (link == Link::HardToFile) {
            ASSERT_TRUE(CreateHardLinkW(path.c_str(), kOutsideFile.c_str(), nullptr));
            return;
        }
        const std::string target = UnixPath(kOutside) + (link == Link::ToFolder ? ""
                                                         : link == Link::ToFile ? "/victim.txt"
                                                                                : "/missing.txt");
        RunUnixCommand("ln -s '" + target + "' '" + planted_ + "'");
        ASSERT_TRUE(GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES || link == Link::ToMissingFile);
    }
    static constexpr size_t kLogSizeLimitPlusOne = 1048576;
    std::string planted_;
};

enum class Log { Setup, Prevault };

struct PlantedCase {
    const char* name;
    Log log;
    int level;  // 0 and 1: the folder levels; 2: the file
    Link link;
};

class PlantedLink : public Links, public ::testing::WithParamInterface<PlantedCase> {};

TEST_P(PlantedLink, EntryIsDroppedAndNothingOutsideIsWrittenOrDeleted) {
    const PlantedCase& c = GetParam();
    const std::wstring base = c.log == Log::Setup ? LocalAppDataFolder() : L"C:";
    const std::wstring first = base + (c.log == Log::Setup ? L"\\Tarvolund" : L"\\Prevault");
    const std::wstring second = first + (c.log == Log::Setup ? L"\\Tarvo Quelmar" : L"\\Logs");
    const std::wstring entries[] = {first, second, second + L"\\QuelmarSetup.log"};
    for (int i = 0; i < c.level; ++i) ASSERT_TRUE(CreateDirectoryW(entries[i].c_str(), nullptr));
    Plant(c.link, entries[c.level]);
    const std::string before = Snapshot(kOutside);
    ASSERT_NE(before.find("victim.txt 1048576"), std::string::npos) << before;

    EXPECT_EQ(c.log == Log::Setup ? WriteSetupLog("entry\n") : WritePrevaultLog("entry\n"), 0);

    EXPECT_EQ(Snapshot(kOutside), before);
}

INSTANTIATE_TEST_SUITE_P(
    AtEachLevel, PlantedLink,
    ::testing::Values(PlantedCase{"SetupFirstFolderToFolder", Log::Setup, 0, Link::ToFolder},
                      PlantedCase{"SetupFirstFolderToFile", Log::Setup, 0, Link::ToFile},
                      PlantedCase{"SetupSecondFolderToFolder", Log::Setup, 1, Link::ToFolder},
                      PlantedCase{"SetupSecondFolderToFile", Log::Setup, 1, Link::ToFile},
                      PlantedCase{"SetupFileToFolder", Log::Setup, 2, Link::ToFolder},
                      PlantedCase{"SetupFileToFile", Log::Setup, 2, Link::ToFile},
                      PlantedCase{"SetupFileToMissingFile", Log::Setup, 2, Link::ToMissingFile},
                      PlantedCase{"SetupFileHardLink", Log::Setup, 2, Link::HardToFile},
                      PlantedCase{"PrevaultFirstFolderToFolder", Log::Prevault, 0, Link::ToFolder},
                      PlantedCase{"PrevaultFirstFolderToFile", Log::Prevault, 0, Link::ToFile},
                      PlantedCase{"PrevaultSecondFolderToFolder", Log::Prevault, 1, Link::ToFolder},
                      PlantedCase{"PrevaultSecondFolderToFile", Log::Prevault, 1, Link::ToFile},
                      PlantedCase{"PrevaultFileToFolder", Log::Prevault, 2, Link::ToFolder},
                      PlantedCase{"PrevaultFileToFile", Log::Prevault, 2, Link::ToFile},
                      PlantedCase{"PrevaultFileToMissingFile", Log::Prevault, 2, Link::ToMissingFile},
                      PlantedCase{"PrevaultFileHardLink", Log::Prevault, 2, Link::HardToFile}),
    [](const ::testing::TestParamInfo<PlantedCase>& info) { return info.param.name; });

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
    planted_ = UnixPath(L"C:\\") + "/MovedProfile";
    api().SHGetSpecialFolderPathW = MovedFolder;

    EXPECT_EQ(WriteSetupLog("moved\n"), 1);

    EXPECT_EQ(ReadFileBytes(movedTo + L"\\Tarvolund\\Tarvo Quelmar\\QuelmarSetup.log"),
              "[2013-12-31 23:59:59] moved\r\n");
    RemoveTree(movedTo);
}

}  // namespace
