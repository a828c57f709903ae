// The built QuelmarSetup.exe, started with exact raw command lines in the test
// prefix. Wine's own WMI has no firmware classes, so every install here is
// refused; an uninstall shows itself by deleting the Control Panel item that
// each run starts with.
#include <gtest/gtest.h>

#include "built_file_path.h"

#include "control_panel_keys.h"
#include "run_process.h"
#include "test_support.h"

namespace {

const std::wstring kFolder = L"C:\\dir with blanks";
const std::wstring kExe = kFolder + L"\\QuelmarSetup.exe";

enum class Outcome { Refused, Ignored, Uninstalled };

struct LaunchCase {
    const char* name;
    std::wstring commandLine;
    DWORD exitCode;
    Outcome outcome;
};

class RawCommandLine : public ::testing::TestWithParam<LaunchCase> {
protected:
    static void SetUpTestSuite() {
        MakeFolders(kFolder);
        const std::wstring built = BuiltFilePath("QUELMAR_SETUP_EXE");
        ASSERT_TRUE(CopyFileW(built.c_str(), kExe.c_str(), FALSE)) << ToUtf8(built);
    }
    static void TearDownTestSuite() { RemoveTree(kFolder); }
    void SetUp() override {
        RemoveTree(LocalAppDataFolder() + L"\\Tarvolund");
        RemoveTree(L"C:\\Prevault");
        MakeFolders(L"C:\\Prevault\\Logs");
        SetRegistryString(HKEY_CLASSES_ROOT, kControlPanelClassKey, L"", L"Tarvo Quelmar", KEY_WOW64_64KEY);
        SetRegistryString(HKEY_LOCAL_MACHINE, kControlPanelNameSpaceKey, L"", L"Tarvo Quelmar", KEY_WOW64_64KEY);
    }
    void TearDown() override {
        RemoveTree(L"C:\\Prevault");
        RemoveControlPanelKeys();
    }
};

TEST_P(RawCommandLine, ExitCodeLogAndControlPanelItemFollowTheTail) {
    const LaunchCase& c = GetParam();
    DWORD exitCode = 0xDEAD;
    ASSERT_TRUE(RunProcess(kExe.c_str(), c.commandLine.c_str(), &exitCode));
    EXPECT_EQ(exitCode, c.exitCode);

    const std::string setupLog = SetupLog();
    const std::string prevaultLog = PrevaultLog();
    if (c.outcome == Outcome::Refused) {
        // The setup state is missing in a new prefix: the probe says so after the refusal.
        EXPECT_EQ(setupLog.rfind(kRefusalLine, 0), 0u) << setupLog;
        EXPECT_EQ(prevaultLog.rfind(kRefusalLine, 0), 0u) << prevaultLog;
    } else {
        EXPECT_EQ(setupLog.find("Install:"), std::string::npos) << setupLog;
        EXPECT_EQ(prevaultLog.find("Install:"), std::string::npos) << prevaultLog;
    }
    EXPECT_TRUE(c.outcome == Outcome::Uninstalled ? ControlPanelKeysAbsent() : ControlPanelKeysPresent());
}

// One row per path through the real start-up; how a tail is cut from the line
// and read is checked in process (tests/setup/command_line_test.cpp).
INSTANTIATE_TEST_SUITE_P(
    RawCommandLines, RawCommandLine,
    ::testing::Values(
        LaunchCase{"QuotedPathWithBlanks", L"\"C:\\dir with blanks\\QuelmarSetup.exe\"   -install", 1603,
                   Outcome::Refused},
        // A runtime's argument parsing would take the quotes away and install.
        LaunchCase{"QuotedKeywordReachesTheProgramQuoted", L"QuelmarSetup.exe \"-install\"", 0, Outcome::Ignored},
        // Near Windows' limit of 32767 characters, the keyword at the far end still counts.
        LaunchCase{"UninstallAfterThirtyThousandBlanks",
                   L"QuelmarSetup.exe" + std::wstring(30000, L' ') + L"/uninstall extra", 0, Outcome::Uninstalled}),
    [](const ::testing::TestParamInfo<LaunchCase>& info) { return info.param.name; });

}  // namespace
