#pragma once
// Files read and written whole, UTF-8 text and its lines: one set for the
// tests, the stand-ins and the launchers.
#include <windows.h>

#include <string>
#include <vector>

// False when the file cannot be opened or read.
bool ReadWholeFile(const std::wstring& path, std::string* bytes);
// Replaces the file's content, or adds to its end; the Win32 error as an
// HRESULT when it cannot. Both write at once, so that nothing is lost when
// the process ends.
HRESULT WriteWholeFile(const std::wstring& path, const std::string& bytes);
HRESULT AppendToFile(const std::wstring& path, const std::string& bytes);

std::string ToUtf8(const std::wstring& text);
std::wstring ToWide(const std::string& utf8);

// The text's lines, each without its "\n" or "\r\n".
std::vector<std::string> Lines(const std::string& text);
