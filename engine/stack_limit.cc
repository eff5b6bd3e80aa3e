#include "engine/stack_limit.h"

#include <pthread.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace qfjsbinding {

namespace {

// What the engine takes for itself below its entry point (its default
// --stack-size of 984 KiB).
constexpr std::uintptr_t kEngineStack = std::uintptr_t{984} << 10;
// Room kept between the limit and the end of the thread's stack for what runs
// below the last script frame: the engine's own runtime, our callbacks and
// the host's code they call.
constexpr std::uintptr_t kReserve = std::uintptr_t{128} << 10;

// The lowest address of the calling thread's stack; 0 when unknown.
std::uintptr_t FindStackLowEnd() {
#if defined(__APPLE__)
    const pthread_t self = pthread_self();
    const auto high = reinterpret_cast<std::uintptr_t>(pthread_get_stackaddr_np(self));
    return high - pthread_get_stacksize_np(self);
#else
    pthread_attr_t attributes;
    if (pthread_getattr_np(pthread_self(), &attributes) != 0) return 0;
    void* address = nullptr;
    std::size_t size = 0;
    const int known = pthread_attr_getstack(&attributes, &address, &size);
    pthread_attr_destroy(&attributes);
    return known == 0 ? reinterpret_cast<std::uintptr_t>(address) : 0;
#endif
}

// A thread's stack does not move, so it is looked up once per thread: for the
// process's main thread the C library finds it by reading /proc/self/maps,
// which costs a quarter of a millisecond with the engine's many mappings,
// more than the rest of an empty execution's own work.
std::uintptr_t StackLowEnd() {
    thread_local const std::uintptr_t low = FindStackLowEnd();
    return low;
}

}  // namespace

void FitStackLimitToThisThread(v8::Isolate* isolate) {
    const std::uintptr_t low = StackLowEnd();
    if (low == 0) return;
    char here = 0;
    const auto position = reinterpret_cast<std::uintptr_t>(&here);
    const std::uintptr_t engineDefault = position > kEngineStack ? position - kEngineStack : 0;
    isolate->SetStackLimit(std::max(engineDefault, low + kReserve));
}

}  // namespace qfjsbinding
