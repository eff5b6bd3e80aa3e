// The array-buffer allocator of one filter context.
//
// Array buffers live outside the script heap and its limit, so a script that
// allocates typed arrays in a loop could take all of the host's memory. This
// allocator refuses allocations beyond a per-context budget; the script then
// gets the engine's RangeError and the host lives.
#ifndef QFJS_ENGINE_ARRAY_BUFFER_ALLOCATOR_H
#define QFJS_ENGINE_ARRAY_BUFFER_ALLOCATOR_H

#include <atomic>
#include <cstddef>
#include <memory>

#include <v8.h>

namespace qfjsbinding {

class CappedArrayBufferAllocator final : public v8::ArrayBuffer::Allocator {
public:
    static constexpr std::size_t kDefaultCap = std::size_t{1} << 30;  // 1 GiB per context

    explicit CappedArrayBufferAllocator(std::size_t cap = kDefaultCap);

    void* Allocate(std::size_t length) override;
    void* AllocateUninitialized(std::size_t length) override;
    void Free(void* data, std::size_t length) override;

    std::size_t allocated() const { return allocated_.load(std::memory_order_relaxed); }

private:
    bool Reserve(std::size_t length);

    const std::size_t cap_;
    std::atomic<std::size_t> allocated_{0};
    std::unique_ptr<v8::ArrayBuffer::Allocator> inner_;
};

}  // namespace qfjsbinding

#endif
