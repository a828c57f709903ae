#pragma once
// A raw command line kept in a file (UTF-8, one line, its line end dropped):
// Wine would re-quote it if it came through argv.
#include <string>

// False when the file cannot be read.
bool ReadCommandLineFile(const wchar_t* path, std::wstring* line);
