// Fitting the script engine's stack limit to the executing thread.
#ifndef QFJS_ENGINE_STACK_LIMIT_H
#define QFJS_ENGINE_STACK_LIMIT_H

#include <v8.h>

namespace qfjsbinding {

// The engine assumes about 1 MiB of stack below the point where a thread
// enters it, but a host may execute scripts on a thread with less (secondary
// threads often get 512 KiB): an endless recursion would then overflow the
// thread's stack and end the host's process instead of raising the script's
// RangeError. Called on the executing thread with the isolate locked and
// entered, this moves the limit up where the thread's stack is smaller,
// keeping room below the last script frame for callbacks and host calls.
void FitStackLimitToThisThread(v8::Isolate* isolate);

}  // namespace qfjsbinding

#endif
