#include "failure_plan_file.h"

#include <sstream>
#include <string>

#include "text_file.h"

namespace {

// Up to eight hexadecimal digits, nothing else.
bool IsHresult(const std::string& text) {
    return !text.empty() && text.size() <= 8 && text.find_first_not_of("0123456789abcdefABCDEF") == std::string::npos;
}

}  // namespace

bool LoadFailurePlan(const std::wstring& path, TaskSchedulerModel& model, std::string* error) {
    std::string content;
    if (!ReadWholeFile(path, &content)) return true;
    std::istringstream lines(content);
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::istringstream fields(line);
        std::string call;
        if (!(fields >> call) || call[0] == '#') continue;
        std::string result;
        fields >> result;
        if (!IsHresult(result)) {
            *error = line;
            return false;
        }
        std::string folder;
        std::getline(fields >> std::ws, folder);
        folder.erase(folder.find_last_not_of(" \t") + 1);
        model.Plan(call, static_cast<HRESULT>(std::stoul(result, nullptr, 16)), ToWide(folder));
    }
    return true;
}
