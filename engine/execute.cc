// QFJS_FilterExecute: one execution from request to result.
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>

#include "engine/filter_context.h"
#include "engine/heap_guard.h"
#include "engine/request.h"
#include "engine/script_runner.h"
#include "engine/stack_limit.h"

namespace qfjsbinding {

namespace {

char* HeapCopy(const std::string& text) {
    char* copy = static_cast<char*>(std::malloc(text.size() + 1));
    if (copy) std::memcpy(copy, text.c_str(), text.size() + 1);
    return copy;
}

// The request's JSON objects are referenced from the context only while the
// call runs.
struct RequestReferences {
    TJSFilterContext* context;
    ~RequestReferences() {
        context->sourcePictureInfo = nullptr;
        context->v7LayerHandles = nullptr;
    }
};

int Run(TJSFilterContext* context, std::string& message) {
    v8::Isolate* isolate = context->isolate;
    // Lock first, then enter: entering an isolate another thread holds would
    // race with that thread.
    v8::Locker locker(isolate);
    v8::Isolate::Scope isolateScope(isolate);
    // Executions may come on any thread of the host, each with its own stack.
    FitStackLimitToThisThread(isolate);
    // A termination requested while no script ran (QFJS_Terminate on an idle
    // context) must not kill this run as soon as it starts.
    isolate->CancelTerminateExecution();
    // A QFJS_Terminate that came after the flags were cleared was meant for
    // this run: take it up again.
    if (context->terminateRequested) isolate->TerminateExecution();
    int status;
    {
        v8::HandleScope handleScope(isolate);
        status = ExecuteScriptMain(context, message);
    }
    isolate->CancelTerminateExecution();
    RestoreHeapLimit(context);
    return status;
}

}  // namespace

}  // namespace qfjsbinding

int QFJS_FilterExecute(QFJS_HANDLE handle, const char* script, const char* request, char** result) {
    using namespace qfjsbinding;
    if (handle == 0 || !script || !request || !result) return 1;
    TJSFilterContext* context = reinterpret_cast<TJSFilterContext*>(static_cast<std::uintptr_t>(handle));
    try {
        picojson::value parsed;
        std::string error = ParseRequest(request, &parsed);
        if (error.empty() && !parsed.is<picojson::object>()) error = "The request is not a JSON object";
        if (!error.empty()) {
            char* text = HeapCopy(BuildParseFailureJson(error));
            if (!text) return 1;
            *result = text;
            return 2;
        }

        RequestReferences references{context};
        context->scriptSource = script;
        const int status = ApplyRequest(parsed, context);
        if (status != 0) return status;

        context->terminateRequested = false;
        context->quitRequested = false;

        std::string message;
        const int runStatus = Run(context, message);

        char* text = HeapCopy(BuildResultJson(context, runStatus, message));
        if (!text) return 1;
        *result = text;
        return 0;
    } catch (const std::exception&) {
        // Only an allocation failure can get here; the host sees a failed call.
        return 1;
    }
}
