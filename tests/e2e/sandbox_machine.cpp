#include "sandbox_machine.h"

const std::wstring kSandbox = L"C:\\ProgramData\\Quelmar Sandbox";

namespace {

const std::wstring kTaskSchedulerClassId = L"{0F87369F-A4E5-4CFC-BD3E-73E6154572DD}";
const std::wstring kLocatorClassId = L"{CB8555CC-9128-11D1-AD9B-00C04FD8FDFF}";
const std::wstring kTaskSchedulerDll = kSandbox + L"\\simulated_task_scheduler_server.dll";
const std::wstring kFirmwareDll = kSandbox + L"\\simulated_firmware_server.dll";

}  // namespace

const std::wstring kFirmwareSetting = kSandbox + L"\\firmware-setting.txt";
const std::wstring kFirmwareScenario = kSandbox + L"\\firmware-scenario.txt";
const std::wstring kFirmwareJournal = kSandbox + L"\\firmware-journal.txt";
const std::wstring kTaskSchedulerScenario = kSandbox + L"\\taskscheduler-scenario.txt";
const std::wstring kTaskSchedulerJournal = kSandbox + L"\\taskscheduler-journal.txt";

const std::wstring kMakerFolder = SystemTasksFolder() + L"\\Tarvolund";
const std::wstring kProductFolder = kMakerFolder + L"\\Tarvo Quelmar";
const std::wstring kLogonTask = kProductFolder + L"\\Tarvo Quelmar Start at Logon";

std::string PlantedTask(const std::wstring& uri, bool hidden) {
    return TaskFileBytes(
        L"<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n"
        L"<Task version=\"1.2\" xmlns=\"http://schemas.microsoft.com/windows/2004/02/mit/task\">\r\n"
        L"  <RegistrationInfo>\r\n    <URI>" +
        uri +
        L"</URI>\r\n  </RegistrationInfo>\r\n"
        L"  <Settings>\r\n    <Hidden>" +
        (hidden ? L"true" : L"false") +
        L"</Hidden>\r\n  </Settings>\r\n"
        L"  <Actions Context=\"Author\">\r\n    <Exec>\r\n      <Command>C:\\Other\\other.exe</Command>\r\n"
        L"    </Exec>\r\n  </Actions>\r\n</Task>");
}

bool IsFolder(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

size_t EntriesIn(const std::wstring& folder) {
    size_t count = 0;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return 0;
    do {
        std::wstring name = found.cFileName;
        if (name != L"." && name != L"..") ++count;
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return count;
}

namespace {

void ResetMachine() {
    RemoveTree(kSandbox);
    RemoveTree(kMakerFolder);
    RemoveTree(LocalAppDataFolder() + L"\\Tarvolund");
    RemoveTree(L"C:\\Prevault");
    RemoveControlPanelKeys();
}

}  // namespace

SandboxMachine::SandboxMachine()
    : taskScheduler_(kTaskSchedulerClassId, kTaskSchedulerDll), firmware_(kLocatorClassId, kFirmwareDll) {}

void SandboxMachine::SetUp() {
    ResetMachine();
    MakeFolders(kSandbox);
    const std::wstring builtTaskScheduler = BuiltFilePath("QUELMAR_TASK_SCHEDULER_DLL");
    const std::wstring builtFirmware = BuiltFilePath("QUELMAR_FIRMWARE_DLL");
    ASSERT_TRUE(CopyFileW(builtTaskScheduler.c_str(), kTaskSchedulerDll.c_str(), FALSE)) << ToUtf8(builtTaskScheduler);
    ASSERT_TRUE(CopyFileW(builtFirmware.c_str(), kFirmwareDll.c_str(), FALSE)) << ToUtf8(builtFirmware);
    // Bit 0 of the first byte: the machine supports the product.
    WriteFileBytes(kFirmwareSetting, "01 00 00 00\n");
    golden_ = ReadFileBytes(BuiltFilePath("QUELMAR_LOGON_TASK_GOLDEN"));
    ASSERT_FALSE(golden_.empty());
}

void SandboxMachine::TearDown() { ResetMachine(); }

DWORD SandboxMachine::RunSetup(const wchar_t* argument) {
    const std::wstring exe = BuiltFilePath("QUELMAR_SETUP_EXE");
    const std::wstring commandLine = L"\"" + exe + L"\" " + argument;
    DWORD exitCode = 0xDEAD;
    EXPECT_TRUE(RunProcess(exe.c_str(), commandLine.c_str(), &exitCode)) << ToUtf8(commandLine);
    return exitCode;
}

std::vector<std::string> SandboxMachine::Journal(const std::wstring& file) { return Lines(ReadFileBytes(file)); }

void SandboxMachine::ExpectTheGoldenTask() {
    const std::string registered = ReadFileBytes(kLogonTask);
    // Readable where they differ; the bytes compared too, for the encoding.
    EXPECT_EQ(ToUtf8(TaskFileText(registered)), ToUtf8(TaskFileText(golden_)));
    EXPECT_TRUE(registered == golden_) << "the bytes differ from the golden file";
}
