#pragma once
// A file read or written in one go.
#include <windows.h>

#include <string>

// False when the file cannot be opened or read.
bool ReadWholeFile(const std::wstring& path, std::string* bytes);
// Replaces the file's content; the Win32 error as an HRESULT when it cannot.
HRESULT WriteWholeFile(const std::wstring& path, const std::string& bytes);
