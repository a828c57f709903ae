#include "command_line_file.h"

#include "text_file.h"

bool ReadCommandLineFile(const wchar_t* path, std::wstring* line) {
    std::string utf8;
    if (!ReadWholeFile(path, &utf8)) return false;
    while (!utf8.empty() && (utf8.back() == '\n' || utf8.back() == '\r')) utf8.pop_back();
    *line = ToWide(utf8);
    return true;
}
