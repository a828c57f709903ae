#include "built_file_path.h"

#include <stdlib.h>

#include "test_support.h"

std::wstring BuiltFilePath(const char* environmentVariable) {
    const char* unixPath = getenv(environmentVariable);
    if (!unixPath) return L"";
    std::wstring path = L"Z:" + ToWide(unixPath);
    for (wchar_t& c : path) {
        if (c == L'/') c = L'\\';
    }
    return path;
}
