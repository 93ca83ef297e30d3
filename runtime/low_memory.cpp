#include "runtime/low_memory.h"

#include <cstring>

alignas(16) uint8_t LowMemory[LOW_MEMORY_SIZE];

void low_memory_clear() {
    memset(LowMemory, 0, sizeof LowMemory);
}
