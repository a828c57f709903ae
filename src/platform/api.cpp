#include "platform/api.h"

// Filled at its first use, not by start-up code: the program has its own
// start-up, which runs no initialisers. One thread uses it, so the build
// leaves out the thread-safe guard (-fno-threadsafe-statics) that would pull
// threading into the program.
Api& api() {
    static Api table;
    return table;
}
