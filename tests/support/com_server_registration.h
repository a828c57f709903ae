#pragma once
// Serves a COM class from a DLL of the test's own to every 32-bit program in
// the prefix, for as long as the object lives: the DLL becomes the class's
// InprocServer32 (ThreadingModel "Both") in the 32-bit registry view, and
// whatever was registered there before is put back at the end.
#include <windows.h>

#include <string>
#include <vector>

class ComServerRegistration {
public:
    // classId as "{CB8555CC-9128-11D1-AD9B-00C04FD8FDFF}"; dllPath as a Windows path.
    ComServerRegistration(const std::wstring& classId, const std::wstring& dllPath);
    ~ComServerRegistration();
    ComServerRegistration(const ComServerRegistration&) = delete;
    ComServerRegistration& operator=(const ComServerRegistration&) = delete;

    // "CLSID\{...}\InprocServer32", under HKEY_CLASSES_ROOT.
    static std::wstring ServerKey(const std::wstring& classId);

private:
    struct SavedValue {
        std::wstring name;
        bool present = false;
        DWORD type = REG_NONE;
        std::vector<BYTE> data;
    };

    std::wstring key_;
    bool keyExisted_;
    SavedValue saved_[2];  // the default value and "ThreadingModel", in that order
};
