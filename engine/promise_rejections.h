// Promises a script rejected without ever handling the rejection.
//
// Promise reactions run after the script's last statement, outside the run's
// exception catcher, so an exception thrown in a `.then` callback or an async
// function would otherwise be lost and the run reported as a success. The
// engine tells us about every rejection without a handler (and about a
// handler added later); whatever is still unhandled when the run ends makes
// the run fail with that exception.
#ifndef QFJS_ENGINE_PROMISE_REJECTIONS_H
#define QFJS_ENGINE_PROMISE_REJECTIONS_H

#include <string>
#include <vector>

#include <v8.h>

namespace qfjsbinding {

class PromiseRejections {
public:
    // Installs the tracker's callback on the isolate.
    static void Install(v8::Isolate* isolate);

    // Forgets everything (at the start and the end of every run).
    void Clear() { pending_.clear(); }

    // The first rejection still unhandled: its engine message text and
    // position. False when there is none.
    bool FirstUnhandled(v8::Isolate* isolate, std::string* text, int* line, int* column) const;

private:
    struct Rejection {
        v8::Global<v8::Promise> promise;
        std::string text;
        int line = 0;
        int column = 0;
    };
    static void OnReject(v8::PromiseRejectMessage message);

    std::vector<Rejection> pending_;
};

}  // namespace qfjsbinding

#endif
