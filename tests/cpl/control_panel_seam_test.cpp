// The Control Panel item's calls through the platform seam: what the registry
// cannot show of them (a value's size, keys left open, volatile keys), and
// what happens when one of them fails. The removal is checked in the registry. The recording doubles
// pass on to the real registry unless a test makes them fail.
#include <algorithm>
#include <map>

#include "control_panel_test_support.h"
#include "cpl/control_panel_item.h"

namespace {

struct SetCall {
    std::wstring name;
    std::vector<BYTE> data;  // exactly the bytes passed, as many as the size says
};

// What the doubles saw, and how they should fail.
struct Recording {
    std::vector<DWORD> createOptions;
    std::vector<SetCall> sets;
    std::map<HKEY, std::wstring> open;  // handle -> key path
    size_t mostOpen = 0;                // keys open at the same time
    std::wstring failingKey;
    std::wstring programFiles;  // handed out instead of the real folder when set
    bool folderFails = false;
};
Recording recording;

BOOL WINAPI RecordFolder(HWND owner, LPWSTR path, int csidl, BOOL create) {
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
    recording.createOptions.push_back(options);
    if (recording.failingKey == path) return ERROR_ACCESS_DENIED;
    LONG result = RegCreateKeyExW(hive, path, reserved, keyClass, options, access, security, key, disposition);
    if (result == ERROR_SUCCESS) recording.open[*key] = path;
    recording.mostOpen = std::max(recording.mostOpen, recording.open.size());
    return result;
}

LONG WINAPI RecordSet(HKEY key, LPCWSTR name, DWORD reserved, DWORD type, const BYTE* data, DWORD size) {
    recording.sets.push_back({name, std::vector<BYTE>(data, data + size)});
    return RegSetValueExW(key, name, reserved, type, data, size);
}

LONG WINAPI RecordClose(HKEY key) {
    recording.open.erase(key);
    return RegCloseKey(key);
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
    }
};

// Each key gets its values while it is the one key open, and none is left
// open. A volatile key would be gone at the next start, which the prefix never sees.
TEST_F(ControlPanelThroughSeam, OpensOneKeyAtATimeForGoodAndLeavesNoneOpen) {
    ASSERT_EQ(SetRegKeyForControlPanel(), 1);

    EXPECT_EQ(recording.mostOpen, 1u);
    EXPECT_TRUE(recording.open.empty()) << "a key was left open";
    EXPECT_EQ(recording.createOptions, std::vector<DWORD>(4, REG_OPTION_NON_VOLATILE));
}

// The registry itself adds a missing null when the buffer has one, so only
// the size passed shows whether the null is part of the value.
TEST_F(ControlPanelThroughSeam, PassesEachValueWithItsTerminatingNull) {
    ASSERT_EQ(SetRegKeyForControlPanel(), 1);

    const std::vector<ExpectedValue> expected = ExpectedValues(ExpectedProgramFilesFolder());
    ASSERT_EQ(recording.sets.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(recording.sets[i].data, StringBytes(expected[i].data)) << "value " << expected[i].number;
    }
}

TEST_F(ControlPanelThroughSeam, WithoutTheProgramFilesFolderCreatesNothing) {
    recording.folderFails = true;

    EXPECT_EQ(SetRegKeyForControlPanel(), 0);

    EXPECT_FALSE(KeyExists64(HKEY_CLASSES_ROOT, kControlPanelClassKey));
    EXPECT_FALSE(KeyExists64(HKEY_LOCAL_MACHINE, kControlPanelNameSpaceKey));
    // The log is written in text mode: the message's line feed is stored as CR LF.
    EXPECT_EQ(SetupLog(), "[T] SetRegKeyForControlPanel(): Could not get the Program Files folder\r\n");
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
