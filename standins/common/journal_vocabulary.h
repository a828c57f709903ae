#pragma once
// The one vocabulary of both stand-ins' files in a sandbox. Each stand-in
// keeps a journal, "<stand-in>-journal.txt", with a line for every call that
// reached it as it happens:
//
//   STEP[: DETAIL][ -> 0xHRESULT]      the result only when it is not S_OK
//
// and reads its plan from "<stand-in>-scenario.txt", where a failure is
//
//   fail STEP HRESULT                  HRESULT in hexadecimal, "80070005"
//
// with STEP as the journal names the call. Blank lines and lines that start
// with '#' are skipped.
#include <windows.h>

#include <string>

std::string JournalLine(const std::string& step, const std::string& detail, HRESULT result);

// True, with the step and its result, when the line plans a failure.
bool ParsePlannedFailure(const std::string& line, std::string* step, HRESULT* result);

// Blank or a comment: a line that plans nothing.
bool PlansNothing(const std::string& line);
