#pragma once
// The step shapes that log nothing, so that a reader tells them apart from the
// logging ones (log/steps.h) at a glance:
//   RETURN_IF_FAILED  a failed HRESULT ends the operation and is its result;
//   IGNORE_RESULT     the result is not looked at, on purpose; a comment says why.
#include "platform/windows.h"

// A failed HRESULT ends the operation and is its result; nothing is logged
// (the operation's caller decides what the failure means).
#define RETURN_IF_FAILED(call)               \
    do {                                     \
        const HRESULT failed_ = (call);      \
        if (FAILED(failed_)) return failed_; \
    } while (0)

// The result is not looked at, on purpose.
#define IGNORE_RESULT(call) static_cast<void>(call)
