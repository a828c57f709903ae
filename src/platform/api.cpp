#include "platform/api.h"

namespace {

// At namespace scope, not a static inside api(): a compiler that fills the
// table at start-up (clang does, since the functions are imported from DLLs)
// would guard a function-local one with the C++ runtime's thread-safe
// initialisation, which pulls threading into this single-threaded program.
Api table;

}  // namespace

Api& api() { return table; }
