// The sample installer package run by Wine's msiexec on a sandbox machine:
// QuelmarSetup.exe as its deferred custom actions, over the product's life.
#include "sandbox_machine.h"
// After windows.h, which it needs.
#include <msi.h>

#include <algorithm>
#include <vector>

namespace {

const std::wstring kProductFiles = L"C:\\Program Files (x86)\\Tarvolund\\Tarvo Quelmar";
constexpr char kFirstVersion[] = "QUELMAR_SAMPLE_MSI";
constexpr char kNextVersion[] = "QUELMAR_NEXT_SAMPLE_MSI";
constexpr wchar_t kRepair[] = L"REINSTALL=ALL REINSTALLMODE=vomus";

DWORD RunMsiexec(const std::wstring& action, const std::wstring& package, const std::wstring& properties = L"") {
    const std::wstring commandLine = L"msiexec " + action + L" \"" + package + L"\" " + properties + L" /qn";
    DWORD exitCode = 0xDEAD;
    EXPECT_TRUE(RunProcess(nullptr, commandLine.c_str(), &exitCode)) << ToUtf8(commandLine);
    return exitCode;
}

DWORD RunMsiexec(const std::wstring& action) { return RunMsiexec(action, BuiltFilePath(kFirstVersion)); }

// The Tarvo Quelmar products the installer has registered: code and version.
std::vector<std::pair<std::wstring, std::string>> ProductsRegistered() {
    std::vector<std::pair<std::wstring, std::string>> products;
    wchar_t code[39];
    for (DWORD i = 0; MsiEnumProductsW(i, code) == ERROR_SUCCESS; ++i) {
        wchar_t text[64];
        DWORD size = 64;
        if (MsiGetProductInfoW(code, INSTALLPROPERTY_INSTALLEDPRODUCTNAME, text, &size) != ERROR_SUCCESS ||
            std::wstring(text) != L"Tarvo Quelmar") {
            continue;
        }
        size = 64;
        if (MsiGetProductInfoW(code, INSTALLPROPERTY_VERSIONSTRING, text, &size) != ERROR_SUCCESS) text[0] = 0;
        products.emplace_back(code, ToUtf8(text));
    }
    return products;
}

// Their versions, "1.0.0 2.0.0"; "" for none.
std::string VersionsRegistered() {
    std::vector<std::string> versions;
    for (const auto& product : ProductsRegistered()) versions.push_back(product.second);
    std::sort(versions.begin(), versions.end());
    std::string joined;
    for (const auto& version : versions) joined += (joined.empty() ? "" : " ") + version;
    return joined;
}

enum class ByHand { Nothing, DeleteTaskAndKeys };

// One msiexec run of a walk and the machine it must leave: the product set up
// (its files, the task and the Control Panel keys) or gone, the firmware
// setting, the versions registered.
struct LifecycleStep {
    const char* path;
    ByHand before;
    const char* package;
    const wchar_t* action;
    const wchar_t* properties;
    DWORD exitCode;
    bool setUp;
    const char* firmwareSetting;
    const char* versions;
};

// On one machine, from a first install to a removal for good. The firmware
// setting starts as 01 3C 7E 81; only the removal clears bytes 1 and 2.
const LifecycleStep kLifecycle[] = {
    {"install", ByHand::Nothing, kFirstVersion, L"/i", L"", 0, true, "01 3C 7E 81", "1.0.0"},
    {"repair after a deletion by hand", ByHand::DeleteTaskAndKeys, kFirstVersion, L"/i", kRepair, 0, true,
     "01 3C 7E 81", "1.0.0"},
    {"upgrade", ByHand::Nothing, kNextVersion, L"/i", L"", 0, true, "01 3C 7E 81", "2.0.0"},
    {"removal", ByHand::Nothing, kNextVersion, L"/x", L"", 0, false, "01 00 00 81", ""},
};

// A newer version installed as such: Wine's msi forgets the newer version's
// upgrade code after an upgrade, which Windows keeps. The refusal is 1603 on
// both, from the launch condition, before any action runs.
const LifecycleStep kDowngrade[] = {
    {"install of the newer version", ByHand::Nothing, kNextVersion, L"/i", L"", 0, true, "01 3C 7E 81", "2.0.0"},
    {"downgrade", ByHand::Nothing, kFirstVersion, L"/i", L"", 1603, true, "01 3C 7E 81", "2.0.0"},
};

class SamplePackage : public SandboxMachine {
protected:
    void TearDown() override {
        for (const auto& product : ProductsRegistered()) RunMsiexec(L"/x", product.first);
        SandboxMachine::TearDown();
    }

    template <size_t N>
    void Walk(const LifecycleStep (&steps)[N]) {
        WriteFileBytes(kFirmwareSetting, "01 3C 7E 81\n");
        for (const LifecycleStep& step : steps) {
            SCOPED_TRACE(step.path);
            if (step.before == ByHand::DeleteTaskAndKeys) {
                RemoveTree(kMakerFolder);
                RemoveControlPanelKeys();
            }
            EXPECT_EQ(RunMsiexec(step.action, BuiltFilePath(step.package), step.properties), step.exitCode);
            EXPECT_EQ(FileExists(kProductFiles + L"\\QuelmarSetup.exe"), step.setUp);
            if (step.setUp) {
                ExpectTheGoldenTask();
                EXPECT_TRUE(ControlPanelKeysPresent());
            } else {
                EXPECT_FALSE(FileExists(kMakerFolder));
                EXPECT_TRUE(ControlPanelKeysAbsent());
            }
            EXPECT_EQ(ReadFileBytes(kFirmwareSetting), std::string(step.firmwareSetting) + "\n");
            EXPECT_EQ(VersionsRegistered(), step.versions);
        }
    }
};

TEST_F(SamplePackage, KeepsTheProductWholeFromInstallToRemoval) { Walk(kLifecycle); }

TEST_F(SamplePackage, RefusesADowngrade) { Walk(kDowngrade); }

// Windows' msiexec answers a failed custom action with 1603; Wine's with 1627.
TEST_F(SamplePackage, RefusedInstallFailsAndRollsBackWine1627) {
    WriteFileBytes(kFirmwareSetting, "00 3C 7E 81\n");

    EXPECT_EQ(RunMsiexec(L"/i"), 1627u);

    EXPECT_FALSE(FileExists(kProductFiles + L"\\QuelmarSetup.exe"));
    EXPECT_TRUE(ControlPanelKeysAbsent());
    EXPECT_FALSE(FileExists(kMakerFolder));
    // No rollback action runs the uninstall: the firmware setting is not written.
    EXPECT_EQ(ReadFileBytes(kFirmwareSetting), "00 3C 7E 81\n");
}

TEST_F(SamplePackage, FailedTaskRegistrationFailsTheInstallWine1627) {
    WriteFileBytes(kTaskSchedulerScenario, "fail ITaskFolder::RegisterTaskDefinition 80070005\r\n");

    EXPECT_EQ(RunMsiexec(L"/i"), 1627u);

    EXPECT_FALSE(FileExists(kProductFiles + L"\\QuelmarSetup.exe"));
    EXPECT_FALSE(FileExists(kLogonTask));
    const std::string log = SetupLog();
    EXPECT_NE(log.find("[T] Install: Failed adding a task to the task scheduler.\r\n"), std::string::npos) << log;
}

}  // namespace
