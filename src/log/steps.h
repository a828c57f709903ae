#pragma once
// The step shapes that log, each with one shape, so that a reader tells them
// apart at a glance (those that log nothing are in platform/steps.h):
//   RETURN_LOGGED_...  a failure is logged and ends the operation, which returns its failure result;
//   LOG_IF_FAILED      a failure is logged and the operation goes on.
// A step of the file's own that logs its own failures and returns false is
// checked with a plain `if (!Step()) return ...;`. Log writes themselves are
// never checked: logging never changes the course of an operation.
//
// Messages are named constants at the top of the operation's file (or fields
// of its table), spelled as log readers search for them. A message for an
// HRESULT takes it in its one %x; any other message is logged as it stands.
#include "log/setup_log.h"
#include "platform/steps.h"
#include "platform/windows.h"

// A failed HRESULT is logged with the message and ends the operation with result.
#define RETURN_LOGGED_IF_FAILED(call, message, result) \
    do {                                               \
        const HRESULT failed_ = (call);                \
        if (FAILED(failed_)) {                         \
            LogHresult((message), failed_);            \
            return (result);                           \
        }                                              \
    } while (0)

// A failure that is not an HRESULT (failed is true) is logged with the
// message and ends the operation with result.
#define RETURN_LOGGED_IF(failed, message, result) \
    do {                                          \
        if (failed) {                             \
            LogMessage(message);                  \
            return (result);                      \
        }                                         \
    } while (0)

// A failed HRESULT is logged with the message and the operation goes on.
// Gives the HRESULT, for a next step that needs this one to have succeeded.
#define LOG_IF_FAILED(call, message) LogIfFailedAndGoOn((call), (message))

inline HRESULT LogIfFailedAndGoOn(HRESULT hr, const char* message) {
    if (FAILED(hr)) LogHresult(message, hr);
    return hr;
}
