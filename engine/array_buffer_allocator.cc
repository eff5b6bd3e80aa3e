#include "engine/array_buffer_allocator.h"

namespace qfjsbinding {

CappedArrayBufferAllocator::CappedArrayBufferAllocator(std::size_t cap)
    : cap_(cap), inner_(v8::ArrayBuffer::Allocator::NewDefaultAllocator()) {}

bool CappedArrayBufferAllocator::Reserve(std::size_t length) {
    std::size_t current = allocated_.load(std::memory_order_relaxed);
    do {
        if (length > cap_ - current) return false;
    } while (!allocated_.compare_exchange_weak(current, current + length, std::memory_order_relaxed));
    return true;
}

void* CappedArrayBufferAllocator::Allocate(std::size_t length) {
    if (!Reserve(length)) return nullptr;
    void* data = inner_->Allocate(length);
    if (!data) allocated_.fetch_sub(length, std::memory_order_relaxed);
    return data;
}

void* CappedArrayBufferAllocator::AllocateUninitialized(std::size_t length) {
    if (!Reserve(length)) return nullptr;
    void* data = inner_->AllocateUninitialized(length);
    if (!data) allocated_.fetch_sub(length, std::memory_order_relaxed);
    return data;
}

void CappedArrayBufferAllocator::Free(void* data, std::size_t length) {
    inner_->Free(data, length);
    allocated_.fetch_sub(length, std::memory_order_relaxed);
}

}  // namespace qfjsbinding
