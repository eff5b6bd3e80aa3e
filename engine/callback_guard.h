// No C++ exception may cross a script-engine frame: every callback the engine
// registers is wrapped by one of these templates, which turns an escaping
// exception (an allocation failure, a filesystem error) into a script Error.
#ifndef QFJS_ENGINE_CALLBACK_GUARD_H
#define QFJS_ENGINE_CALLBACK_GUARD_H

#include <cstdint>

#include <v8.h>

namespace qfjsbinding {

// Called from inside a catch block: throws the current C++ exception's text
// into the script as an Error (unless the script is being terminated).
void ThrowCurrentExceptionToScript(v8::Isolate* isolate) noexcept;

template <void (*F)(const v8::FunctionCallbackInfo<v8::Value>&)>
void Guarded(const v8::FunctionCallbackInfo<v8::Value>& info) noexcept {
    try {
        F(info);
    } catch (...) {
        ThrowCurrentExceptionToScript(info.GetIsolate());
    }
}

template <void (*F)(v8::Local<v8::Name>, const v8::PropertyCallbackInfo<v8::Value>&)>
void GuardedGetter(v8::Local<v8::Name> name, const v8::PropertyCallbackInfo<v8::Value>& info) noexcept {
    try {
        F(name, info);
    } catch (...) {
        ThrowCurrentExceptionToScript(info.GetIsolate());
    }
}

template <void (*F)(v8::Local<v8::Name>, v8::Local<v8::Value>, const v8::PropertyCallbackInfo<void>&)>
void GuardedSetter(v8::Local<v8::Name> name, v8::Local<v8::Value> value,
                   const v8::PropertyCallbackInfo<void>& info) noexcept {
    try {
        F(name, value, info);
    } catch (...) {
        ThrowCurrentExceptionToScript(info.GetIsolate());
    }
}

template <void (*F)(std::uint32_t, const v8::PropertyCallbackInfo<v8::Value>&)>
void GuardedIndexedGetter(std::uint32_t index, const v8::PropertyCallbackInfo<v8::Value>& info) noexcept {
    try {
        F(index, info);
    } catch (...) {
        ThrowCurrentExceptionToScript(info.GetIsolate());
    }
}

template <void (*F)(std::uint32_t, v8::Local<v8::Value>, const v8::PropertyCallbackInfo<v8::Value>&)>
void GuardedIndexedSetter(std::uint32_t index, v8::Local<v8::Value> value,
                          const v8::PropertyCallbackInfo<v8::Value>& info) noexcept {
    try {
        F(index, value, info);
    } catch (...) {
        ThrowCurrentExceptionToScript(info.GetIsolate());
    }
}

}  // namespace qfjsbinding

#endif
