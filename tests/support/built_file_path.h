#pragma once
// A file of the build that CTest names in an environment variable (a Linux
// path, seen from the prefix through drive Z:).
#include <string>

// The Windows path, or "" when the variable is not set.
std::wstring BuiltFilePath(const char* environmentVariable);
