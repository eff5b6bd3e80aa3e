#include "libzkimg/core/src/memory.h"

#include <cstdlib>

extern "C" {

void* zkialloc(std::size_t size) {
    return std::calloc(size == 0 ? 1 : size, 1);
}

void zkifree(void* block) {
    std::free(block);
}

bool zkiMemAlloc(void** slot, std::size_t size) {
    if (!slot) return false;
    zkifree(*slot);
    *slot = zkialloc(size);
    return *slot != nullptr;
}

}  // extern "C"
