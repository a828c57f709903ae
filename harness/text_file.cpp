#include "text_file.h"

#include <memory>

namespace {

struct HandleCloser {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using FileHandle = std::unique_ptr<void, HandleCloser>;

// A reader lets others go on writing, as a test reads a log that is still open.
FileHandle OpenFile(const std::wstring& path, DWORD access, DWORD disposition) {
    const DWORD share =
        access == GENERIC_READ ? FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE : FILE_SHARE_READ;
    HANDLE file = CreateFileW(path.c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    return FileHandle(file == INVALID_HANDLE_VALUE ? nullptr : file);
}

HRESULT WriteTo(FileHandle file, const std::string& bytes) {
    if (!file) return HRESULT_FROM_WIN32(GetLastError());
    DWORD written = 0;
    if (!WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr)) {
        return HRESULT_FROM_WIN32(GetLastError());
    }
    return written == bytes.size() ? S_OK : HRESULT_FROM_WIN32(ERROR_WRITE_FAULT);
}

}  // namespace

bool ReadWholeFile(const std::wstring& path, std::string* bytes) {
    FileHandle file = OpenFile(path, GENERIC_READ, OPEN_EXISTING);
    if (!file) return false;
    bytes->clear();
    char chunk[65536];
    DWORD read = 0;
    while (ReadFile(file.get(), chunk, sizeof chunk, &read, nullptr)) {
        if (read == 0) return true;
        bytes->append(chunk, read);
    }
    return false;
}

HRESULT WriteWholeFile(const std::wstring& path, const std::string& bytes) {
    return WriteTo(OpenFile(path, GENERIC_WRITE, CREATE_ALWAYS), bytes);
}

HRESULT AppendToFile(const std::wstring& path, const std::string& bytes) {
    return WriteTo(OpenFile(path, FILE_APPEND_DATA, OPEN_ALWAYS), bytes);
}

std::string ToUtf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int length = static_cast<int>(text.size());
    std::string result(WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), length, &result[0], static_cast<int>(result.size()), nullptr, nullptr);
    return result;
}

std::wstring ToWide(const std::string& utf8) {
    if (utf8.empty()) return {};
    const int length = static_cast<int>(utf8.size());
    std::wstring result(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, nullptr, 0), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, &result[0], static_cast<int>(result.size()));
    return result;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}
