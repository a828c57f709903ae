#include "log/bounded_format.h"

#include <stdarg.h>
#include <stdio.h>
#include <string.h>
#include <wchar.h>

bool BoundedFormat(char* buffer, size_t capacity, const char* format, ...) {
    va_list args;
    va_start(args, format);
    int written = _vsnprintf_s(buffer, capacity, _TRUNCATE, format, args);
    va_end(args);
    return written >= 0;
}

bool BoundedFormatW(wchar_t* buffer, size_t capacity, const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    int written = _vsnwprintf_s(buffer, capacity, _TRUNCATE, format, args);
    va_end(args);
    return written >= 0;
}

bool BoundedAppendW(wchar_t* buffer, size_t capacity, const wchar_t* text) {
    size_t used = wcslen(buffer);
    size_t added = wcslen(text);
    if (used + added >= capacity) return false;
    memcpy(buffer + used, text, (added + 1) * sizeof(wchar_t));
    return true;
}
