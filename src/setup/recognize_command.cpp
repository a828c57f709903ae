#include <wchar.h>

#include "setup/setup_command.h"

namespace {

struct Keyword {
    const wchar_t* text;
    size_t compared;
    SetupCommand command;
};

// Compared in this order; only the beginning of the tail counts.
constexpr Keyword kKeywords[] = {
    {L"-install", 8, SetupCommand::Install},
    {L"/install", 8, SetupCommand::Install},
    {L"-uninstall", 10, SetupCommand::Uninstall},
    {L"/uninstall", 10, SetupCommand::Uninstall},
};

}  // namespace

SetupCommand RecognizeCommand(const wchar_t* tail) {
    for (const Keyword& keyword : kKeywords) {
        if (_wcsnicmp(tail, keyword.text, keyword.compared) == 0) return keyword.command;
    }
    return SetupCommand::None;
}
