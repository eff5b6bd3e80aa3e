// Zero-filled heap blocks for bitmaps and small records.
#ifndef QFJS_LIBZKIMG_MEMORY_H
#define QFJS_LIBZKIMG_MEMORY_H

#include <cstddef>

extern "C" {

// A zero-filled block of `size` bytes (1 byte for 0); null when the heap is
// exhausted.
void* zkialloc(std::size_t size);

// Releases a block from zkialloc; null is ignored.
void zkifree(void* block);

// Releases the block held by *slot (null is fine) and stores a new zero-filled
// block of max(size, 1) bytes. False at once for a null slot, and false (with
// a null slot) when the allocation fails.
bool zkiMemAlloc(void** slot, std::size_t size);

}  // extern "C"

#endif
