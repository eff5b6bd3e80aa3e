#include "host/lib/dib_block.h"

#include <atomic>
#include <cstring>

namespace qfhost {

namespace {

// The first half of the guard is a marker; the second half, which a heap
// allocator reads as the size of the block a pointer belongs to, stays
// zero, a size no allocator accepts.
constexpr unsigned char kMarker[8] = {'Q', 'F', 'H', 'O', 'S', 'T', 'D', 'B'};

std::atomic<long> g_liveBlocks{0};

}  // namespace

DibBlock DibBlock::Allocate(std::size_t bytes) {
    DibBlock block;
    if (bytes == 0) bytes = 1;
    if (bytes > static_cast<std::size_t>(-1) - kGuardBytes) return block;
    auto* base = static_cast<unsigned char*>(std::calloc(1, bytes + kGuardBytes));
    if (!base) return block;
    std::memcpy(base, kMarker, sizeof kMarker);
    block.base_.reset(base);
    ++g_liveBlocks;
    block.size_ = bytes;
    return block;
}

void DibBlock::Free::operator()(unsigned char* p) const {
    if (!p) return;
    std::free(p);
    --g_liveBlocks;
}

long DibBlock::LiveCount() {
    return g_liveBlocks.load();
}

bool DibBlock::GuardIntact() const {
    if (!base_) return true;
    const unsigned char* guard = base_.get();
    if (std::memcmp(guard, kMarker, sizeof kMarker) != 0) return false;
    for (std::size_t i = sizeof kMarker; i < kGuardBytes; ++i) {
        if (guard[i] != 0) return false;
    }
    return true;
}

}  // namespace qfhost
