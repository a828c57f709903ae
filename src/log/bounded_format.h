#pragma once
// printf-style formatting into fixed buffers: at most capacity - 1 characters,
// always NUL-terminated. Each returns false when the text had to be cut.
#include <stddef.h>

bool BoundedFormat(char* buffer, size_t capacity, const char* format, ...);
bool BoundedFormatW(wchar_t* buffer, size_t capacity, const wchar_t* format, ...);

// Appends text to a NUL-terminated buffer; leaves the buffer unchanged and
// returns false when the result would not fit.
bool BoundedAppendW(wchar_t* buffer, size_t capacity, const wchar_t* text);
