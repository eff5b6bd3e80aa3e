#include "engine/callback_guard.h"

#include <exception>
#include <new>
#include <string>

namespace qfjsbinding {

void ThrowCurrentExceptionToScript(v8::Isolate* isolate) noexcept {
    if (isolate->IsExecutionTerminating()) return;
    const char* text = "Internal error";
    std::string holder;
    try {
        throw;
    } catch (const std::bad_alloc&) {
        text = "Out of memory";
    } catch (const std::exception& e) {
        try {
            holder = e.what();
            text = holder.c_str();
        } catch (...) {
        }
    } catch (...) {
    }
    v8::Local<v8::String> message;
    if (v8::String::NewFromUtf8(isolate, text).ToLocal(&message)) {
        isolate->ThrowException(v8::Exception::Error(message));
    }
}

}  // namespace qfjsbinding
