// Script objects that stand for native objects (host objects, engine records).
//
// A wrapper is an instance of one of the context's class templates. Its
// internal field 0 holds the filter context and field 1 the native pointer,
// both as aligned pointers. Nothing is read from an object's fields unless the
// class template confirms the object is one of its instances: a plain object,
// or a script constructor that merely carries a class's name, never is.
#ifndef QFJS_ENGINE_WRAPPER_H
#define QFJS_ENGINE_WRAPPER_H

#include <v8.h>

namespace qfjsbinding {

struct TJSFilterContext;

enum WrapperField : int { kContextField = 0, kNativeField = 1 };

// A new instance of `tmpl` in `context` whose field 0 is `filter` and field 1
// is `native`. False when the engine could not make it (an exception or a
// termination is pending).
bool NewWrapper(v8::Local<v8::Context> context, v8::Local<v8::FunctionTemplate> tmpl,
                TJSFilterContext* filter, void* native, v8::Local<v8::Object>* out);

// A new instance of `tmpl` with no fields set yet (for objects with their own
// field layout).
bool NewInstance(v8::Local<v8::Context> context, v8::Local<v8::FunctionTemplate> tmpl,
                 v8::Local<v8::Object>* out);

// True when `value` is an instance of `tmpl`; asks the template, runs no script.
inline bool IsInstance(v8::Local<v8::FunctionTemplate> tmpl, v8::Local<v8::Value> value) {
    return !tmpl.IsEmpty() && value->IsObject() && tmpl->HasInstance(value);
}

// The native pointer of `value` when it is an instance of `tmpl`, else null.
inline void* UnwrapNative(v8::Local<v8::FunctionTemplate> tmpl, v8::Local<v8::Value> value) {
    if (!IsInstance(tmpl, value)) return nullptr;
    return value.As<v8::Object>()->GetAlignedPointerFromInternalField(kNativeField);
}

// The native pointer of the holder of an accessor or a method. The engine
// guarantees the holder is an instance of the class the member was
// registered on: accessors live on the instance template, so their holder is
// always the instance itself, and methods carry a receiver signature, so a
// call on anything else (a plain object, another class, the prototype, an
// object made with Reflect.construct and the class as new.target) fails with
// a TypeError before our code runs. This is on every per-pixel path, so it
// reads the field without asking again.
template <typename Info>
inline void* HolderNative(const Info& info) {
    return info.Holder()->GetAlignedPointerFromInternalField(kNativeField);
}

}  // namespace qfjsbinding

#endif
