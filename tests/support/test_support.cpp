#include "test_support.h"

#include <gtest/gtest.h>

bool FileExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string ReadFileBytes(const std::wstring& path) {
    std::string bytes;
    return ReadWholeFile(path, &bytes) ? bytes : std::string();
}

void WriteFileBytes(const std::wstring& path, const std::string& bytes) {
    ASSERT_EQ(WriteWholeFile(path, bytes), S_OK) << ToUtf8(path);
}

void RemoveTree(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return;
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(path.c_str());
        return;
    }
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = found.cFileName;
            if (name != L"." && name != L"..") RemoveTree(path + L"\\" + name);
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(path.c_str());
}

void MakeFolders(const std::wstring& path) {
    for (size_t i = 3; i <= path.size(); ++i) {
        if (i == path.size() || path[i] == L'\\') CreateDirectoryW(path.substr(0, i).c_str(), nullptr);
    }
}

namespace {
std::wstring ShellFolder(int csidl) {
    wchar_t path[MAX_PATH] = {};
    SHGetSpecialFolderPathW(nullptr, path, csidl, FALSE);
    return path;
}
}  // namespace

std::wstring LocalAppDataFolder() { return ShellFolder(CSIDL_LOCAL_APPDATA); }
std::wstring ProgramFilesFolder() { return ShellFolder(CSIDL_PROGRAM_FILES); }

std::wstring SetupLogPath() { return LocalAppDataFolder() + L"\\Tarvolund\\Tarvo Quelmar\\QuelmarSetup.log"; }

const std::wstring kSetupStateKey = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Setup\\State";

std::wstring PrevaultLogPath() { return L"C:\\Prevault\\Logs\\QuelmarSetup.log"; }

namespace {
// "[YYYY-MM-DD hh:mm:ss] ": '9' stands for a digit, anything else for itself.
constexpr char kTimestampShape[] = "[9999-99-99 99:99:99] ";
constexpr size_t kTimestampLength = sizeof kTimestampShape - 1;

bool HasTimestampShape(const std::string& text) {
    if (text.size() != kTimestampLength) return false;
    for (size_t i = 0; i < kTimestampLength; ++i) {
        const bool digit = text[i] >= '0' && text[i] <= '9';
        if (kTimestampShape[i] == '9' ? !digit : text[i] != kTimestampShape[i]) return false;
    }
    return true;
}
}  // namespace

std::string WithoutTimestamps(const std::string& log) {
    std::string result;
    size_t i = 0;
    while (i < log.size()) {
        // An entry's timestamp is the only "[" followed by a digit that the logs hold.
        const bool stamp = log[i] == '[' && i + 1 < log.size() && log[i + 1] >= '0' && log[i + 1] <= '9';
        if (stamp && HasTimestampShape(log.substr(i, kTimestampLength))) {
            result += "[T] ";
            i += kTimestampLength;
            continue;
        }
        if (stamp) ADD_FAILURE() << "malformed timestamp at byte " << i << ": " << log.substr(i, kTimestampLength);
        result += log[i++];
    }
    return result;
}

std::string SetupLog() { return WithoutTimestamps(ReadFileBytes(SetupLogPath())); }
std::string PrevaultLog() { return WithoutTimestamps(ReadFileBytes(PrevaultLogPath())); }

bool RegistryKeyExists(HKEY root, const std::wstring& path, REGSAM view) {
    HKEY key;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

bool ReadRegistryValue(HKEY root, const std::wstring& path, const std::wstring& name, REGSAM view, DWORD* type,
                       std::vector<BYTE>* data) {
    HKEY key;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) return false;
    DWORD size = 0;
    LONG result = RegQueryValueExW(key, name.c_str(), nullptr, type, nullptr, &size);
    if (result == ERROR_SUCCESS) {
        data->assign(size, 0);
        result = RegQueryValueExW(key, name.c_str(), nullptr, type, data->data(), &size);
        data->resize(size);
    }
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

void DeleteRegistryTree(HKEY root, const std::wstring& path, REGSAM view) {
    HKEY key;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_ALL_ACCESS | view, &key) != ERROR_SUCCESS) return;
    wchar_t child[256];
    for (;;) {
        DWORD length = 256;
        if (RegEnumKeyExW(key, 0, child, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        DeleteRegistryTree(root, path + L"\\" + child, view);
    }
    RegCloseKey(key);
    RegDeleteKeyExW(root, path.c_str(), view, 0);
}

void SetRegistryString(HKEY root, const std::wstring& path, const std::wstring& name, const std::wstring& value,
                       REGSAM view) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
}
