#include "engine/heap_guard.h"

#include <algorithm>

#include "engine/filter_context.h"

namespace qfjsbinding {

namespace {

// Enough room for the termination to unwind even when the script was in the
// middle of a large allocation: at least double the current limit.
constexpr std::size_t kMinimumHeadroom = std::size_t{256} << 20;

std::size_t OnNearHeapLimit(void* data, std::size_t currentLimit, std::size_t initialLimit) {
    auto* context = static_cast<TJSFilterContext*>(data);
    if (!context->heapLimitRaised) context->initialHeapLimit = initialLimit;
    context->heapLimitRaised = true;
    context->quitRequested = true;
    // No script value is thrown here: the handler runs inside the garbage
    // collector, where allocating is not allowed, and the termination ends
    // the run before any catch block could see a value.
    context->isolate->TerminateExecution();
    return currentLimit + std::max(currentLimit, kMinimumHeadroom);
}

}  // namespace

void InstallHeapGuard(TJSFilterContext* context) {
    context->isolate->AddNearHeapLimitCallback(OnNearHeapLimit, context);
}

bool HeapExhausted(const TJSFilterContext* context) {
    return context->heapLimitRaised;
}

void RestoreHeapLimit(TJSFilterContext* context) {
    if (!context->heapLimitRaised) return;
    v8::Isolate* isolate = context->isolate;
    // Free what the terminated script left, so the next run starts below the
    // restored limit instead of tripping the handler at once.
    isolate->LowMemoryNotification();
    isolate->RemoveNearHeapLimitCallback(OnNearHeapLimit, context->initialHeapLimit);
    isolate->AddNearHeapLimitCallback(OnNearHeapLimit, context);
    context->heapLimitRaised = false;
}

}  // namespace qfjsbinding
