#include "command_line_file.h"

#include <stdio.h>
#include <windows.h>

bool ReadCommandLineFile(const wchar_t* path, std::wstring* line) {
    FILE* file = _wfopen(path, L"rb");
    if (!file) return false;
    std::string utf8;
    char chunk[4096];
    for (size_t n; (n = fread(chunk, 1, sizeof chunk, file)) > 0;) utf8.append(chunk, n);
    fclose(file);
    while (!utf8.empty() && (utf8.back() == '\n' || utf8.back() == '\r')) utf8.pop_back();
    line->assign(utf8.size() + 1, L'\0');
    line->resize(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &(*line)[0],
                                     static_cast<int>(line->size())));
    return true;
}
