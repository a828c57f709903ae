#include "setup/setup_command.h"

const wchar_t* CommandLineTail(const wchar_t* commandLine) {
    const wchar_t* p = commandLine;
    bool quoted = false;
    for (; *p && (quoted || *p > L' '); ++p) {
        if (*p == L'"') quoted = !quoted;
    }
    while (*p && *p <= L' ') ++p;
    return p;
}
