#include "failure_plan_file.h"

#include <string>

#include "journal_vocabulary.h"
#include "text_file.h"

bool LoadFailurePlan(const std::wstring& path, TaskSchedulerModel& model, std::string* error) {
    std::string content;
    if (!ReadWholeFile(path, &content)) return true;
    for (const std::string& line : Lines(content)) {
        if (PlansNothing(line)) continue;
        std::string step;
        HRESULT result = S_OK;
        if (!ParsePlannedFailure(line, &step, &result)) {
            *error = line;
            return false;
        }
        // The call's name is one word; the folder, if any, is the rest.
        const size_t blank = step.find(' ');
        const std::string folder = blank == std::string::npos ? "" : step.substr(blank + 1);
        model.Fail(step.substr(0, blank), result, ToWide(folder));
    }
    return true;
}
