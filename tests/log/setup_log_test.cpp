// The two log writers against the real files of the test prefix.
#include <gtest/gtest.h>

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
BOOL WINAPI RecordEmptying(HANDLE file) {
    ++emptied;
    return ::SetEndOfFile(file);
}

BOOL WINAPI NoFolder(HWND, LPWSTR, int, BOOL) { return FALSE; }

// 220 characters: the folders still fit (244), the log file's path would not (261).
const std::wstring kDeepFolder = L"C:\\deep\\" + std::wstring(212, L'd');
BOOL WINAPI DeepFolder(HWND, LPWSTR path, int, BOOL) {
    wcscpy(path, kDeepFolder.c_str());
    return TRUE;
}

class SetupLogTest : public ::testing::Test {
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

TEST_F(SetupLogTest, FirstEntryCreatesBothFoldersThenTheFile) {
    ASSERT_FALSE(FileExists(LocalAppDataFolder() + L"\\Tarvolund"));
    EXPECT_EQ(WriteSetupLog("abc\n"), 1);
    // 22-character prefix, the message byte for byte, "\n" stored as CR LF.
    EXPECT_EQ(ReadFileBytes(SetupLogPath()), "[2013-12-31 23:59:59] abc\r\n");
    EXPECT_EQ(ReadFileBytes(SetupLogPath()).size(), 27u);
}

TEST_F(SetupLogTest, AddsNoLineEndSoTwoMessagesWithoutOneShareALine) {
    WriteSetupLog("first (80070005)");
    WriteSetupLog("second\n");
    WriteSetupLog("a\nb\n");
    EXPECT_EQ(ReadFileBytes(SetupLogPath()),
              "[2013-12-31 23:59:59] first (80070005)[2013-12-31 23:59:59] second\r\n"
              "[2013-12-31 23:59:59] a\r\nb\r\n");
}

TEST_F(SetupLogTest, TimestampIsZeroPaddedLocalTime) {
    api().GetLocalTime = MorningTime;
    WriteSetupLog("Install: Custom Setup completed successfully.\n");
    EXPECT_EQ(ReadFileBytes(SetupLogPath()),
              "[2013-03-01 09:05:03] Install: Custom Setup completed successfully.\r\n");
}

TEST_F(SetupLogTest, PrevaultLogIsWrittenOnlyWhereItsFolderExists) {
    EXPECT_EQ(WritePrevaultLog("x\n"), 0);
    EXPECT_FALSE(FileExists(L"C:\\Prevault"));
    EXPECT_EQ(WriteSetupLog("x\n"), 1);

    MakeFolders(kPrevaultFolder);
    EXPECT_EQ(WritePrevaultLog("y\n"), 1);
    EXPECT_EQ(ReadFileBytes(PrevaultLogPath()), "[2013-12-31 23:59:59] y\r\n");
}

TEST_F(SetupLogTest, LogMessageWritesTheSameEntryToBothLogs) {
    MakeFolders(kPrevaultFolder);
    LogMessage("both\n");
    EXPECT_EQ(ReadFileBytes(SetupLogPath()), "[2013-12-31 23:59:59] both\r\n");
    EXPECT_EQ(ReadFileBytes(PrevaultLogPath()), "[2013-12-31 23:59:59] both\r\n");
}

struct SizeCase {
    size_t bytesBefore;
    bool keptOldEntries;
};

class LogSizeLimit : public SetupLogTest, public ::testing::WithParamInterface<SizeCase> {};

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

TEST_F(SetupLogTest, SizeTestUsesAllSixtyFourBitsOfTheSize) {
    WriteSetupLog("");
    emptied = 0;
    api().GetFileInformationByHandle = ReportingFourGiB;
    api().SetEndOfFile = RecordEmptying;
    WriteSetupLog("x\n");
    EXPECT_EQ(emptied, 1);
    EXPECT_EQ(ReadFileBytes(SetupLogPath()), "[2013-12-31 23:59:59] x\r\n");
}

TEST_F(SetupLogTest, AppendsWithoutReadingSoAnEndingCtrlZStays) {
    WriteSetupLog("");
    WriteFileBytes(SetupLogPath(), "old\r\n\x1a");
    WriteSetupLog("new\n");
    EXPECT_EQ(ReadFileBytes(SetupLogPath()), "old\r\n\x1a[2013-12-31 23:59:59] new\r\n");
}

TEST_F(SetupLogTest, EntryIsDroppedWhileTheLogIsHeldOpenExclusively) {
    WriteSetupLog("before\n");
    HANDLE held = CreateFileW(SetupLogPath().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(WriteSetupLog("dropped\n"), 0);
    CloseHandle(held);
    EXPECT_EQ(WriteSetupLog("after\n"), 1);
    EXPECT_EQ(WithoutTimestamps(ReadFileBytes(SetupLogPath())), "[T] before\r\n[T] after\r\n");
}

TEST_F(SetupLogTest, EntryIsDroppedWhenTheApplicationDataFolderIsUnknown) {
    api().SHGetSpecialFolderPathW = NoFolder;
    EXPECT_EQ(CreateSetupLogFolder(), 0);
    EXPECT_EQ(WriteSetupLog("lost\n"), 0);
    // Nothing lands at the drive's root instead.
    EXPECT_FALSE(FileExists(L"C:\\Tarvolund"));
    EXPECT_FALSE(FileExists(L"\\Tarvolund"));
}

TEST_F(SetupLogTest, EntryIsDroppedWhenItsPathWouldNotFit) {
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

}  // namespace
