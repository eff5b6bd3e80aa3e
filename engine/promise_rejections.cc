#include "engine/promise_rejections.h"

#include "engine/filter_context.h"
#include "engine/js_convert.h"

namespace qfjsbinding {

using v8::Isolate;
using v8::Local;

void PromiseRejections::Install(Isolate* isolate) {
    isolate->SetPromiseRejectCallback(OnReject);
}

void PromiseRejections::OnReject(v8::PromiseRejectMessage message) {
    Local<v8::Promise> promise = message.GetPromise();
    Isolate* isolate = promise->GetIsolate();
    TJSFilterContext* context = ContextOf(isolate);
    if (!context) return;
    std::vector<Rejection>& pending = context->promiseRejections.pending_;
    switch (message.GetEvent()) {
        case v8::kPromiseRejectWithNoHandler: {
            Rejection rejection;
            rejection.promise.Reset(isolate, promise);
            // The engine's own message for the value: formatting it runs no
            // script code, unlike a string conversion of the value.
            Local<v8::Message> text = v8::Exception::CreateMessage(isolate, message.GetValue());
            if (!text.IsEmpty()) {
                std::string utf8;
                Local<v8::Context> current = isolate->GetCurrentContext();
                if (js::ToUtf8(isolate, current, text->Get(), &utf8)) {
                    // "Uncaught Error: x" becomes "Uncaught (in promise) Error: x".
                    const std::string uncaught = "Uncaught ";
                    if (utf8.compare(0, uncaught.size(), uncaught) == 0) utf8.erase(0, uncaught.size());
                    rejection.text = "Uncaught (in promise) " + utf8;
                }
                rejection.line = text->GetLineNumber(current).FromMaybe(0);
                rejection.column = text->GetStartColumn(current).FromMaybe(0);
            }
            pending.push_back(std::move(rejection));
            return;
        }
        case v8::kPromiseHandlerAddedAfterReject:
            for (auto it = pending.begin(); it != pending.end(); ++it) {
                if (it->promise == promise) {
                    pending.erase(it);
                    return;
                }
            }
            return;
        default:
            return;
    }
}

bool PromiseRejections::FirstUnhandled(Isolate*, std::string* text, int* line, int* column) const {
    if (pending_.empty()) return false;
    *text = pending_.front().text.empty() ? "Uncaught (in promise)" : pending_.front().text;
    *line = pending_.front().line;
    *column = pending_.front().column;
    return true;
}

}  // namespace qfjsbinding
