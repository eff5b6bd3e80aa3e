// Heap exhaustion ends the script, never the host process.
#ifndef QFJS_ENGINE_HEAP_GUARD_H
#define QFJS_ENGINE_HEAP_GUARD_H

#include <cstdint>

namespace qfjsbinding {

struct TJSFilterContext;

// The result code a run that exhausted the script heap reports.
constexpr std::int32_t kHeapExhaustedResult = 9999;

// Installs the near-heap-limit handler on the context's isolate. When the
// script heap runs low it marks the run as quit and as out of heap and
// terminates the script; it raises the limit for the time the termination
// needs to unwind (returning the old limit would end in a fatal
// out-of-memory abort instead).
void InstallHeapGuard(TJSFilterContext* context);

// True when the current run exhausted the script heap (until
// RestoreHeapLimit). The run then reports kHeapExhaustedResult; the
// script's own Result value is left as it was, for the next execution.
bool HeapExhausted(const TJSFilterContext* context);

// After a run: when the handler raised the limit, collect the dead script's
// garbage and restore the initial limit. Called with the isolate locked.
void RestoreHeapLimit(TJSFilterContext* context);

}  // namespace qfjsbinding

#endif
