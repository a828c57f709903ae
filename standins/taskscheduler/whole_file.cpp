#include "whole_file.h"

#include <memory>

namespace {

struct HandleCloser {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using FileHandle = std::unique_ptr<void, HandleCloser>;

FileHandle OpenFile(const std::wstring& path, DWORD access, DWORD disposition) {
    HANDLE file =
        CreateFileW(path.c_str(), access, FILE_SHARE_READ, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    return FileHandle(file == INVALID_HANDLE_VALUE ? nullptr : file);
}

}  // namespace

bool ReadWholeFile(const std::wstring& path, std::string* bytes) {
    FileHandle file = OpenFile(path, GENERIC_READ, OPEN_EXISTING);
    if (!file) return false;
    bytes->clear();
    char chunk[4096];
    DWORD read = 0;
    while (ReadFile(file.get(), chunk, sizeof chunk, &read, nullptr)) {
        if (read == 0) return true;
        bytes->append(chunk, read);
    }
    return false;
}

HRESULT WriteWholeFile(const std::wstring& path, const std::string& bytes) {
    FileHandle file = OpenFile(path, GENERIC_WRITE, CREATE_ALWAYS);
    if (!file) return HRESULT_FROM_WIN32(GetLastError());
    DWORD written = 0;
    if (!WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr)) {
        return HRESULT_FROM_WIN32(GetLastError());
    }
    return written == bytes.size() ? S_OK : HRESULT_FROM_WIN32(ERROR_WRITE_FAULT);
}
