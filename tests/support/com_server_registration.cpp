#include "com_server_registration.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace {

constexpr REGSAM kView = KEY_WOW64_32KEY;  // where a 32-bit program looks its classes up
const wchar_t* const kServerValues[] = {L"", L"ThreadingModel"};

}  // namespace

std::wstring ComServerRegistration::ServerKey(const std::wstring& classId) {
    return L"CLSID\\" + classId + L"\\InprocServer32";
}

ComServerRegistration::ComServerRegistration(const std::wstring& classId, const std::wstring& dllPath)
    : key_(ServerKey(classId)), keyExisted_(RegistryKeyExists(HKEY_CLASSES_ROOT, key_, kView)) {
    for (size_t i = 0; i < 2; ++i) {
        SavedValue& value = saved_[i];
        value.name = kServerValues[i];
        value.present = ReadRegistryValue(HKEY_CLASSES_ROOT, key_, value.name, kView, &value.type, &value.data);
    }
    SetRegistryString(HKEY_CLASSES_ROOT, key_, L"", dllPath, kView);
    SetRegistryString(HKEY_CLASSES_ROOT, key_, L"ThreadingModel", L"Both", kView);
}

ComServerRegistration::~ComServerRegistration() {
    if (!keyExisted_) {
        DeleteRegistryTree(HKEY_CLASSES_ROOT, key_, kView);
        return;
    }
    HKEY key;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key_.c_str(), 0, KEY_SET_VALUE | kView, &key) != ERROR_SUCCESS) {
        ADD_FAILURE() << "cannot restore " << ToUtf8(key_);
        return;
    }
    for (const SavedValue& value : saved_) {
        LONG result = value.present ? RegSetValueExW(key, value.name.c_str(), 0, value.type, value.data.data(),
                                                     static_cast<DWORD>(value.data.size()))
                                    : RegDeleteValueW(key, value.name.c_str());
        EXPECT_TRUE(result == ERROR_SUCCESS || (!value.present && result == ERROR_FILE_NOT_FOUND))
            << "cannot restore " << ToUtf8(key_) << " value \"" << ToUtf8(value.name) << "\": " << result;
    }
    RegCloseKey(key);
}
