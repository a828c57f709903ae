#pragma once
// Messages the program shows, recorded instead of shown.
#include <windows.h>

#include <string>
#include <vector>

struct ShownMessage {
    std::string shownBy;  // "MessageBoxW", "MessageBoxW with an owner", or a test's own way
    std::wstring text;
    std::wstring caption;
    UINT style;
    std::string setupLogWhenShown;  // as SetupLog() read when the message came
};

// Puts a MessageBoxW into api() that records each box and answers IDOK, and
// forgets the boxes recorded before; the test's ApiRestore takes it out.
void RecordMessageBoxes();

// What was shown since RecordMessageBoxes, in order; a test that records
// another way of showing a message adds its own.
std::vector<ShownMessage>& ShownMessages();
