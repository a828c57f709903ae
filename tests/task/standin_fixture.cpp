#include "standin_fixture.h"

#include <algorithm>
#include <cctype>
#include <cwchar>

const std::wstring kMakerPath = L"\\Tarvolund";
const std::wstring kProductPath = L"\\Tarvolund\\Tarvo Quelmar";
const std::wstring kTaskName = L"Tarvo Quelmar Start at Logon";

ComRecord StandinTaskScheduler::record_;

namespace {

// The seam takes plain function pointers: the fakes reach the test's model here.
TaskSchedulerModel* model = nullptr;
ComRecord* record = nullptr;
const wchar_t* failingAllocation = nullptr;
const wchar_t* programFiles = nullptr;

std::string Pointer(const void* pointer) { return pointer ? "set" : "null"; }

HRESULT WINAPI FakeCoInitializeEx(LPVOID reserved, DWORD apartment) {
    record->apartmentArguments = Pointer(reserved) + ", " + std::to_string(apartment);
    HRESULT hr = model->Enter("CoInitializeEx");
    if (SUCCEEDED(hr)) ++record->apartmentsEntered;
    return hr;
}

HRESULT WINAPI FakeCoInitializeSecurity(PSECURITY_DESCRIPTOR descriptor, LONG serviceCount,
                                        SOLE_AUTHENTICATION_SERVICE* services, void* reserved1,
                                        DWORD authenticationLevel, DWORD impersonationLevel, void* authenticationList,
                                        DWORD capabilities, void* reserved3) {
    record->securityArguments = Pointer(descriptor) + ", " + std::to_string(serviceCount) + ", " + Pointer(services) +
                                ", " + Pointer(reserved1) + ", " + std::to_string(authenticationLevel) + ", " +
                                std::to_string(impersonationLevel) + ", " + Pointer(authenticationList) + ", " +
                                std::to_string(capabilities) + ", " + Pointer(reserved3);
    HRESULT hr = model->Enter("CoInitializeSecurity");
    // As COM answers outside an apartment.
    return record->apartmentsEntered == record->apartmentsLeft ? CO_E_NOTINITIALIZED : hr;
}

void WINAPI FakeCoUninitialize() {
    model->Enter("CoUninitialize");
    ++record->apartmentsLeft;
}

BSTR WINAPI FailingSysAllocString(const OLECHAR* text) {
    if (text && failingAllocation && wcscmp(text, failingAllocation) == 0) return nullptr;
    return ::SysAllocString(text);
}

BOOL WINAPI FakeSHGetSpecialFolderPathW(HWND owner, LPWSTR path, int csidl, BOOL create) {
    if (csidl != CSIDL_PROGRAM_FILES) return ::SHGetSpecialFolderPathW(owner, path, csidl, create);
    if (!programFiles) return FALSE;
    wcscpy(path, programFiles);
    return TRUE;
}

}  // namespace

void StandinTaskScheduler::SetUp() {
    model = &model_;
    record_ = ComRecord();
    record = &record_;
    api().CoInitializeEx = FakeCoInitializeEx;
    api().CoInitializeSecurity = FakeCoInitializeSecurity;
    ServeStandins(nullptr, &model_);
    api().CoUninitialize = FakeCoUninitialize;
    DeleteFileW(SetupLogPath().c_str());
}

void StandinTaskScheduler::TearDown() {
    EXPECT_EQ(model_.liveObjects, 0) << "COM objects were not released";
    EXPECT_EQ(model_.references, 0);
    EXPECT_EQ(record_.apartmentsLeft, record_.apartmentsEntered) << "apartments entered and left";
    for (const char* call : {"CoInitializeEx", "CoInitializeSecurity", "CoUninitialize"}) {
        EXPECT_EQ(model_.aliveAt[call], 0) << "objects alive at " << call;
    }
    model = nullptr;
}

int StandinTaskScheduler::Count(const std::string& call) const {
    return static_cast<int>(std::count(model_.calls.begin(), model_.calls.end(), call));
}

void StandinTaskScheduler::FailAllocationOf(const wchar_t* text) {
    failingAllocation = text;
    api().SysAllocString = FailingSysAllocString;
}

void StandinTaskScheduler::UseProgramFilesFolder(const wchar_t* folder) {
    programFiles = folder;
    api().SHGetSpecialFolderPathW = FakeSHGetSpecialFolderPathW;
}

std::string CallCaseName(const char* call, const wchar_t* on) {
    std::string name;
    for (const char* c = call; *c; ++c) {
        if (isalnum(static_cast<unsigned char>(*c))) name += *c;
    }
    if (!*on) return name;
    const std::wstring folder = wcsrchr(on, L'\\') + 1;
    if (folder.empty()) return name + "_OnRoot";
    name += "_On";
    for (wchar_t c : folder) {
        if (iswalnum(c)) name += static_cast<char>(c);
    }
    return name;
}
