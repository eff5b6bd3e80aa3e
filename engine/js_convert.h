// The one conversion layer between script values and C++ values.
//
// Every function that can run script code (a valueOf, a toString, a Symbol's
// TypeError) returns bool: false means a script exception is now pending and
// the calling callback must return at once, without calling the host. Nothing
// here aborts the process on a script value.
#ifndef QFJS_ENGINE_JS_CONVERT_H
#define QFJS_ENGINE_JS_CONVERT_H

#include <cstdint>
#include <string>
#include <string_view>

#include <v8.h>

namespace qfjsbinding::js {

// ECMAScript ToInt32: fractions truncated, values wrapped modulo 2^32, NaN 0.
inline bool ToInt32(v8::Local<v8::Context> context, v8::Local<v8::Value> value, std::int32_t* out) {
    if (value->IsInt32()) {
        *out = value.As<v8::Int32>()->Value();
        return true;
    }
    return value->Int32Value(context).To(out);
}

// The same for per-pixel paths: the current context is looked up only when
// the value is not already a 32-bit integer.
inline bool ToInt32(v8::Isolate* isolate, v8::Local<v8::Value> value, std::int32_t* out) {
    if (value->IsInt32()) {
        *out = value.As<v8::Int32>()->Value();
        return true;
    }
    return value->Int32Value(isolate->GetCurrentContext()).To(out);
}

// ECMAScript ToNumber.
inline bool ToNumber(v8::Local<v8::Context> context, v8::Local<v8::Value> value, double* out) {
    if (value->IsNumber()) {
        *out = value.As<v8::Number>()->Value();
        return true;
    }
    return value->NumberValue(context).To(out);
}

inline bool ToNumber(v8::Isolate* isolate, v8::Local<v8::Value> value, double* out) {
    if (value->IsNumber()) {
        *out = value.As<v8::Number>()->Value();
        return true;
    }
    return value->NumberValue(isolate->GetCurrentContext()).To(out);
}

// Conversion to a 64-bit integer (fraction dropped, NaN 0, saturating at the
// 64-bit limits), narrowed to its low 32 bits.
inline bool ToInt64Low32(v8::Local<v8::Context> context, v8::Local<v8::Value> value, std::int32_t* out) {
    std::int64_t wide = 0;
    if (!value->IntegerValue(context).To(&wide)) return false;
    *out = static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(wide)));
    return true;
}

// ECMAScript ToBoolean; never runs script code.
inline bool ToBool(v8::Isolate* isolate, v8::Local<v8::Value> value) {
    return value->BooleanValue(isolate);
}

// ECMAScript ToString, as UTF-8 (lone surrogates become U+FFFD).
bool ToUtf8(v8::Isolate* isolate, v8::Local<v8::Context> context, v8::Local<v8::Value> value,
            std::string* out);

// Text as the host receives it: cut before the first NUL character.
bool ToHostText(v8::Isolate* isolate, v8::Local<v8::Context> context, v8::Local<v8::Value> value,
                std::string* out);

// ECMAScript ToObject: null and undefined raise the engine's TypeError.
inline bool ToObject(v8::Local<v8::Context> context, v8::Local<v8::Value> value,
                     v8::Local<v8::Object>* out) {
    if (value->IsObject()) {
        *out = value.As<v8::Object>();
        return true;
    }
    return value->ToObject(context).ToLocal(out);
}

// A script string from UTF-8 text; false (exception pending) when the engine
// cannot make it, for instance beyond its maximum string length.
bool NewString(v8::Isolate* isolate, std::string_view text, v8::Local<v8::String>* out);

// A script string of host text, cut at an embedded NUL byte.
bool NewHostString(v8::Isolate* isolate, const std::string& text, v8::Local<v8::String>* out);

// An internalized string for a constant name.
inline v8::Local<v8::String> Name(v8::Isolate* isolate, const char* name) {
    return v8::String::NewFromUtf8(isolate, name, v8::NewStringType::kInternalized).ToLocalChecked();
}

// JSON.stringify of an object without indentation; false when it throws (for
// instance on a cyclic object).
bool Stringify(v8::Local<v8::Context> context, v8::Local<v8::Value> value, std::string* out);

}  // namespace qfjsbinding::js

#endif
