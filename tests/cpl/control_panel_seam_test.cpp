// The Control Panel item's calls through the platform seam: what the registry
// cannot show of them, and what happens when one of them fails. The recording doubles
// pass on to the real registry unless a test makes them fail.
#include <algorithm>
#include <map>

#include "control_panel_test_support.h"
#include "cpl/control_panel_item.h"

namespace {

struct CreateCall {
    HKEY hive;
    std::wstring path;
    DWORD reserved;
    LPWSTR keyClass;
    DWORD options;
    REGSAM access;
    LPSECURITY_ATTRIBUTES security;
    LPDWORD disposition;
};

struct SetCall {
    std::wstring key;
    std::wstring name;
    DWORD reserved;
    DWORD type;
    std::vector<BYTE> data;  // exactly the bytes passed, as many as the size says
};

struct DeleteCall {
    HKEY hive;
    std::wstring path;
    REGSAM access;
    DWORD reserved;
};

struct FolderCall {
    HWND owner;
    int csidl;
    BOOL create;
};

// What the doubles saw, and how they should fail.
struct Recording {
    std::vector<FolderCall> folderCalls;
    std::vector<CreateCall> creates;
    std::vector<SetCall> sets;
    std::vector<DeleteCall> deletes;
    std::map<HKEY, std::wstring> open;  // handle -> key path
    size_t mostOpen = 0;                // keys open at the same time
    std::wstring failingKey;
    std::wstring programFiles;  // handed out instead of the real folder when set
    bool folderFails = false;
    bool deletesFail = false;
};
Recording recording;

BOOL WINAPI RecordFolder(HWND owner, LPWSTR path, int csidl, BOOL create) {
    recording.folderCalls.push_back({owner, csidl, create});
    // The setup log asks for its own folder through the same call.
    if (csidl == CSIDL_PROGRAM_FILES) {
        if (recording.folderFails) return FALSE;
        if (!recording.programFiles.empty()) {
            wcscpy(path, recording.programFiles.c_str());
            return TRUE;
        }
    }
    return SHGetSpecialFolderPathW(owner, path, csidl, create);
}

LONG WINAPI RecordCreate(HKEY hive, LPCWSTR path, DWORD reserved, LPWSTR keyClass, DWORD options, REGSAM access,
                         LPSECURITY_ATTRIBUTES security, PHKEY key, LPDWORD disposition) {
    recording.creates.push_back({hive, path, reserved, keyClass, options, access, security, disposition});
    if (recording.failingKey == path) return ERROR_ACCESS_DENIED;
    LONG result = RegCreateKeyExW(hive, path, reserved, keyClass, options, access, security, key, disposition);
    if (result == ERROR_SUCCESS) recording.open[*key] = path;
    recording.mostOpen = std::max(recording.mostOpen, recording.open.size());
    return result;
}

LONG WINAPI RecordSet(HKEY key, LPCWSTR name, DWORD reserved, DWORD type, const BYTE* data, DWORD size) {
    const std::wstring& path = recording.open[key];
    recording.sets.push_back({path, name, reserved, type, std::vector<BYTE>(data, data + size)});
    return RegSetValueExW(key, name, reserved, type, data, size);
}

LONG WINAPI RecordClose(HKEY key) {
    recording.open.erase(key);
    return RegCloseKey(key);
}

LONG WINAPI RecordDelete(HKEY hive, LPCWSTR path, REGSAM access, DWORD reserved) {
    recording.deletes.push_back({hive, path, access, reserved});
    if (recording.deletesFail) return ERROR_ACCESS_DENIED;
    return RegDeleteKeyExW(hive, path, access, reserved);
}

class ControlPanelThroughSeam : public CleanRegistry {
protected:
    void SetUp() override {
        CleanRegistry::SetUp();
        recording = Recording();
        api().SHGetSpecialFolderPathW = RecordFolder;
        api().RegCreateKeyExW = RecordCreate;
        api().RegSetValueExW = RecordSet;
        api().RegCloseKey = RecordClose;
        api().RegDeleteKeyExW = RecordDelete;
    }
};

// Each key is created for good, with full access in the 64-bit view, gets its
// values while it is the one key open, and is closed: none is left open.
TEST_F(ControlPanelThroughSeam, CreatesEachKeyForGoodAndClosesItBeforeTheNext) {
    ASSERT_EQ(SetRegKeyForControlPanel(), 1);

    ASSERT_EQ(recording.creates.size(), 4u);
    for (const CreateCall& call : recording.creates) {
        EXPECT_EQ(call.access, 0xF013Fu) << ToUtf8(call.path);
        EXPECT_EQ(call.options, static_cast<DWORD>(REG_OPTION_NON_VOLATILE)) << ToUtf8(call.path);
        EXPECT_TRUE(!call.reserved && !call.keyClass && !call.security && !call.disposition) << ToUtf8(call.path);
    }
    EXPECT_EQ(recording.mostOpen, 1u);
    EXPECT_TRUE(recording.open.empty()) << "a key was left open";
    ASSERT_EQ(recording.folderCalls.size(), 1u);
    EXPECT_TRUE(!recording.folderCalls[0].owner && recording.folderCalls[0].csidl == CSIDL_PROGRAM_FILES &&
                !recording.folderCalls[0].create);
}

// The registry itself adds a missing null when the buffer has one, so only
// the size passed shows whether the null is part of the value.
TEST_F(ControlPanelThroughSeam, PassesEachValueWithItsTerminatingNull) {
    ASSERT_EQ(SetRegKeyForControlPanel(), 1);

    const std::vector<ExpectedValue> expected = ExpectedValues(ExpectedProgramFilesFolder());
    ASSERT_EQ(recording.sets.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        const SetCall& call = recording.sets[i];
        EXPECT_EQ(call.key, kExpectedKeys[expected[i].key].path) << "value " << expected[i].number;
        EXPECT_EQ(call.name, expected[i].name) << "value " << expected[i].number;
        EXPECT_EQ(call.reserved, 0u);
        EXPECT_EQ(call.type, static_cast<DWORD>(REG_SZ));
        EXPECT_EQ(call.data, StringBytes(expected[i].data)) << "value " << expected[i].number;
    }
    EXPECT_EQ(recording.sets[0].data.size(), 28u);  // "Tarvo Quelmar"
    EXPECT_EQ(recording.sets[4].data.size(), 4u);   // "2"
}

TEST_F(ControlPanelThroughSeam, WithoutTheProgramFilesFolderCreatesNothing) {
    recording.folderFails = true;

    EXPECT_EQ(SetRegKeyForControlPanel(), 0);

    EXPECT_TRUE(recording.creates.empty());
    EXPECT_TRUE(recording.sets.empty());
    EXPECT_FALSE(KeyExists64(HKEY_CLASSES_ROOT, kControlPanelClassKey));
    EXPECT_FALSE(KeyExists64(HKEY_LOCAL_MACHINE, kControlPanelNameSpaceKey));
    // The log is written in text mode: the message's line feed is stored as CR LF.
    EXPECT_EQ(SetupLog(), "[T] SetRegKeyForControlPanel(): Could not get the Program Files folder\r\n");
}

TEST_F(ControlPanelThroughSeam, RemovalDeletesSixKeysDeepestFirstInThe64BitView) {
    ASSERT_EQ(SetRegKeyForControlPanel(), 1);
    DeleteRegKeyForControlPanel();

    const std::vector<std::pair<HKEY, std::wstring>> expected = {
        {HKEY_CLASSES_ROOT, kControlPanelIconKey},  {HKEY_CLASSES_ROOT, kControlPanelCommandKey},
        {HKEY_CLASSES_ROOT, kControlPanelOpenKey},  {HKEY_CLASSES_ROOT, kControlPanelShellKey},
        {HKEY_CLASSES_ROOT, kControlPanelClassKey}, {HKEY_LOCAL_MACHINE, kControlPanelNameSpaceKey},
    };
    ASSERT_EQ(recording.deletes.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(recording.deletes[i].hive, expected[i].first) << i;
        EXPECT_EQ(recording.deletes[i].path, expected[i].second) << i;
        EXPECT_EQ(recording.deletes[i].access, 0xF013Fu) << i;
        EXPECT_EQ(recording.deletes[i].reserved, 0u) << i;
    }
    EXPECT_FALSE(KeyExists64(HKEY_CLASSES_ROOT, kControlPanelClassKey));
}

TEST_F(ControlPanelThroughSeam, RemovalGoesOnPastFailedDeletionsAndLogsNothing) {
    recording.deletesFail = true;
    DeleteRegKeyForControlPanel();
    EXPECT_EQ(recording.deletes.size(), 6u);
    EXPECT_FALSE(FileExists(SetupLogPath()));
}

// A key that cannot be created.
struct KeyFailureCase {
    const char* name;
    int failingKey;  // index into kExpectedKeys
    const char* logged;
};

void PrintTo(const KeyFailureCase& c, std::ostream* os) { *os << c.name; }

class ControlPanelKeyFailure : public ControlPanelThroughSeam, public testing::WithParamInterface<KeyFailureCase> {};

TEST_P(ControlPanelKeyFailure, LogsItsMessageKeepsEarlierKeysAndStops) {
    const KeyFailureCase& c = GetParam();
    recording.failingKey = kExpectedKeys[c.failingKey].path;

    EXPECT_EQ(SetRegKeyForControlPanel(), 0);

    // The log is written in text mode: the message's line feed is stored as CR LF.
    EXPECT_EQ(SetupLog(), std::string("[T] ") + c.logged + "\r\n");
    ASSERT_EQ(recording.creates.size(), static_cast<size_t>(c.failingKey + 1)) << "later keys attempted";
    EXPECT_TRUE(recording.open.empty()) << "a key was left open";

    for (const ExpectedValue& value : ExpectedValues(ExpectedProgramFilesFolder())) {
        const ExpectedKey& key = kExpectedKeys[value.key];
        if (value.key < c.failingKey) {
            ExpectValueStored(key.hive, key.path, value);
        } else {
            EXPECT_FALSE(KeyExists64(key.hive, key.path)) << "value " << value.number;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Keys, ControlPanelKeyFailure,
    testing::Values(
        KeyFailureCase{"ClassKey", 0,
                       "SetRegKeyForControlPanel(): Could not create HKEY_CLASSES_ROOT\\CLSID\\" CONTROL_PANEL_GUID},
        KeyFailureCase{"DefaultIcon", 1,
                       "SetRegKeyForControlPanel(): Could not create HKEY_CLASSES_ROOT\\CLSID\\" CONTROL_PANEL_GUID
                       "\\DefaultIcon"},
        KeyFailureCase{"Command", 2,
                       "SetRegKeyForControlPanel(): Could not create HKEY_CLASSES_ROOT\\CLSID\\" CONTROL_PANEL_GUID
                       "\\Shell\\Open\\Command"},
        KeyFailureCase{"NameSpace", 3,
                       "SetRegKeyForControlPanel(): Could not create HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\"
                       "Windows\\CurrentVersion\\Explorer\\ControlPanel\\NameSpace\\" CONTROL_PANEL_GUID}),
    [](const testing::TestParamInfo<KeyFailureCase>& info) { return std::string(info.param.name); });

// A Program Files folder so long that some formatted values would not fit
// their 260 characters: those are left out, the rest are written in full.
struct LongFolderCase {
    size_t length;
    std::vector<int> skipped;  // value numbers
};

void PrintTo(const LongFolderCase& c, std::ostream* os) { *os << "Program Files path of " << c.length; }

class ControlPanelLongProgramFiles : public ControlPanelThroughSeam,
                                     public testing::WithParamInterface<LongFolderCase> {};

TEST_P(ControlPanelLongProgramFiles, SkipsTheValuesThatWouldBeCut) {
    const LongFolderCase& c = GetParam();
    recording.programFiles = L"C:\\" + std::wstring(c.length - 3, L'p');

    EXPECT_EQ(SetRegKeyForControlPanel(), 1);

    for (const ExpectedValue& value : ExpectedValues(recording.programFiles)) {
        const ExpectedKey& key = kExpectedKeys[value.key];
        bool skipped = std::find(c.skipped.begin(), c.skipped.end(), value.number) != c.skipped.end();
        if (skipped) {
            ExpectValueAbsent(key.hive, key.path, value.name);
        } else {
            ASSERT_LE(value.data.size(), 259u);
            ExpectValueStored(key.hive, key.path, value);
        }
    }
    EXPECT_EQ(SetupLog(), "");
}

// Values 2 and 3 are the path plus 42 characters, 6 plus 41 and 7 plus 38.
INSTANTIATE_TEST_SUITE_P(Lengths, ControlPanelLongProgramFiles,
                         testing::Values(LongFolderCase{217, {}}, LongFolderCase{218, {2, 3}},
                                         LongFolderCase{221, {2, 3, 6}}, LongFolderCase{222, {2, 3, 6, 7}}),
                         [](const testing::TestParamInfo<LongFolderCase>& info) {
                             return "Length" + std::to_string(info.param.length);
                         });

}  // namespace
