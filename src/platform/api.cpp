#include "platform/api.h"

Api& api() {
    static Api table;
    return table;
}
