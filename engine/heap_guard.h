// Heap exhaustion ends the script, never the host process.
#ifndef QFJS_ENGINE_HEAP_GUARD_H
#define QFJS_ENGINE_HEAP_GUARD_H

namespace qfjsbinding {

struct TJSFilterContext;

// Installs the near-heap-limit handler on the context's isolate. When the
// script heap runs low it records result 9999, marks the run as quit and
// terminates the script; it raises the limit for the time the termination
// needs to unwind (returning the old limit would end in a fatal
// out-of-memory abort instead).
void InstallHeapGuard(TJSFilterContext* context);

// After a run: when the handler raised the limit, collect the dead script's
// garbage and restore the initial limit. Called with the isolate locked.
void RestoreHeapLimit(TJSFilterContext* context);

}  // namespace qfjsbinding

#endif
