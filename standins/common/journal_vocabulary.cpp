#include "journal_vocabulary.h"

#include <stdio.h>
#include <stdlib.h>

std::string JournalLine(const std::string& step, const std::string& detail, HRESULT result) {
    std::string text = step;
    if (!detail.empty()) text += ": " + detail;
    if (result != S_OK) {
        char code[16];
        // NOLINTNEXTLINE(cert-err33-c): the buffer holds the longest text
        snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(result));
        text += std::string(" -> ") + code;
    }
    return text;
}

bool ParsePlannedFailure(const std::string& line, std::string* step, HRESULT* result) {
    const std::string fail = "fail ";
    if (line.compare(0, fail.size(), fail) != 0) return false;
    const size_t blank = line.rfind(' ');
    std::string code = line.substr(blank + 1);
    if (code.compare(0, 2, "0x") == 0) code.erase(0, 2);
    if (blank < fail.size() || code.empty() || code.size() > 8) return false;
    char* end = nullptr;
    const unsigned long value = strtoul(code.c_str(), &end, 16);
    if (*end != '\0') return false;
    *step = line.substr(fail.size(), blank - fail.size());
    *result = static_cast<HRESULT>(value);
    return !step->empty();
}

bool PlansNothing(const std::string& line) {
    return line.find_first_not_of(" \t") == std::string::npos || line[0] == '#';
}
