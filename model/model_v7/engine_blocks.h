// Blocks the version 7 classes allocate (bitmaps, entry and colour records)
// belong to the filter context and are released with zkifree when it is
// destroyed. Until a block has been handed to the context it is held by an
// OwnedBlock, so every failure on the way releases it and a half-made result
// never stays behind.
#ifndef QFJS_MODEL_V7_ENGINE_BLOCKS_H
#define QFJS_MODEL_V7_ENGINE_BLOCKS_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <type_traits>

#include "engine/filter_context.h"
#include "libzkimg/core/src/dib.h"
#include "libzkimg/core/src/memory.h"

namespace qfjsbinding {

// Everything the version 7 classes give the context lives until the context
// is destroyed, outside the script heap and its limit: a script making layers,
// palette copies, records or layer names in a loop would otherwise take all
// of the host's memory. Beyond this budget per context a member fails as it
// does when memory runs out.
constexpr std::size_t kV7MemoryBudget = std::size_t{2} << 30;  // 2 GiB

// Counts `bytes` against the context's budget; false, with nothing counted,
// when they do not fit.
inline bool ChargeV7Memory(TJSFilterContext* context, std::size_t bytes) {
    if (context->v7MemoryCharged > kV7MemoryBudget || bytes > kV7MemoryBudget - context->v7MemoryCharged) {
        return false;
    }
    context->v7MemoryCharged += bytes;
    return true;
}

// The bytes a block holds: a bitmap its header, colour table and pixels; a
// record its size.
inline std::size_t BlockBytes(const BITMAPINFO* dib) {
    return static_cast<std::size_t>(zkiDIBBits(dib) - reinterpret_cast<const std::uint8_t*>(dib)) +
           dib->bmiHeader.biSizeImage;
}
template <typename T>
std::size_t BlockBytes(const T*) {
    return sizeof(T);
}

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
// list grows first (std::bad_alloc, with every block still held by its
// OwnedBlock), then the blocks are counted against the budget (false when
// they do not fit; the OwnedBlocks still hold them). Take the raw pointers
// with get() before adopting: the OwnedBlocks are empty afterwards.
template <typename... T>
[[nodiscard]] bool AdoptBlocks(TJSFilterContext* context, OwnedBlock<T>&... blocks) {
    context->dibBlocks.reserve(context->dibBlocks.size() + sizeof...(T));
    const std::size_t bytes = (std::size_t{0} + ... + (blocks ? BlockBytes(blocks.get()) : 0));
    if (!ChargeV7Memory(context, bytes)) return false;
    auto adopt = [context](auto& block) {
        if (block) context->dibBlocks.push_back(block.release());
    };
    (adopt(blocks), ...);
    return true;
}

}  // namespace qfjsbinding

#endif
