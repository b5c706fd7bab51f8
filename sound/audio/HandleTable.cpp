#include "sound/audio/HandleTable.h"

std::uintptr_t takeHandleNumber() {
    static std::uintptr_t last = 0;
    return ++last;
}
