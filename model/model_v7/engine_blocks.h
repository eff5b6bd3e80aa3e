// Blocks the version 7 classes allocate (bitmaps, entry and colour records)
// belong to the filter context and are released with zkifree when it is
// destroyed. Until a block has been handed to the context it is held by an
// OwnedBlock, so every failure on the way releases it and a half-made result
// never stays behind.
#ifndef QFJS_MODEL_V7_ENGINE_BLOCKS_H
#define QFJS_MODEL_V7_ENGINE_BLOCKS_H

#include <memory>
#include <new>
#include <type_traits>

#include "engine/filter_context.h"
#include "libzkimg/core/src/memory.h"

namespace qfjsbinding {

struct ZkiFree {
    void operator()(void* block) const noexcept { zkifree(block); }
};

template <typename T>
using OwnedBlock = std::unique_ptr<T, ZkiFree>;

// A zero-filled record of type T in a block of its own; empty when the heap
// is exhausted.
template <typename T>
OwnedBlock<T> AllocRecord() {
    static_assert(std::is_trivially_destructible_v<T>, "records are released with zkifree");
    void* block = zkialloc(sizeof(T));
    if (!block) return OwnedBlock<T>();
    return OwnedBlock<T>(new (block) T{});
}

// Hands the blocks (empty ones are skipped) to the context, all or none: the
// list grows first, which is the only step that can fail (std::bad_alloc,
// with every block still held by its OwnedBlock). Take the raw pointers with
// get() before adopting: the OwnedBlocks are empty afterwards.
template <typename... T>
void AdoptBlocks(TJSFilterContext* context, OwnedBlock<T>&... blocks) {
    context->dibBlocks.reserve(context->dibBlocks.size() + sizeof...(T));
    auto adopt = [context](auto& block) {
        if (block) context->dibBlocks.push_back(block.release());
    };
    (adopt(blocks), ...);
}

}  // namespace qfjsbinding

#endif
