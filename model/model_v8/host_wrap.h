// Shared pieces of the version 8 classes: reaching the host object behind a
// wrapper, wrapping host results, checking object arguments, and the common
// Equals and Jsonize methods.
#ifndef QFJS_MODEL_V8_HOST_WRAP_H
#define QFJS_MODEL_V8_HOST_WRAP_H

#include <string>

#include <v8.h>

#include "engine/filter_context.h"
#include "engine/js_convert.h"
#include "engine/wrapper.h"

namespace qfjsbinding {

// The host object behind the holder of an accessor or method (may be null:
// the document and the two pictures are wrapped even when the factory has
// none for them).
template <typename Interface, typename Info>
inline Interface* HostOf(const Info& info) {
    return static_cast<Interface*>(HolderNative(info));
}

// Makes a new wrapper of `host` (which may be null) in class `tmpl` and sets
// it as the return value; on failure an exception is already pending.
template <typename Info>
inline void ReturnWrapper(const Info& info, v8::Local<v8::FunctionTemplate> tmpl, void* host) {
    v8::Isolate* isolate = info.GetIsolate();
    v8::Local<v8::Object> wrapper;
    if (!NewWrapper(isolate->GetCurrentContext(), tmpl, ContextOf(isolate), host, &wrapper)) return;
    info.GetReturnValue().Set(wrapper);
}

// Like ReturnWrapper, but a null host result gives the script null.
template <typename Info>
inline void ReturnWrapperOrNull(const Info& info, v8::Local<v8::FunctionTemplate> tmpl, void* host) {
    if (!host) {
        info.GetReturnValue().SetNull();
        return;
    }
    ReturnWrapper(info, tmpl, host);
}

// Type words reach the host with ASCII letters upper-cased; other characters
// pass unchanged.
inline std::string UpperAscii(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return text;
}

// The host bitmap of a value assigned to a "Bitmap" member: only a genuine
// Bitmap wrapper is accepted; anything else (null included) is refused
// without a script error or a host call.
inline bool AssignedBitmap(TJSFilterContext* context, v8::Local<v8::Value> value, IQFBitmap** bitmap) {
    if (!IsInstance(context->bitmapTemplate, value)) return false;
    *bitmap = static_cast<IQFBitmap*>(value.As<v8::Object>()->GetAlignedPointerFromInternalField(kNativeField));
    return *bitmap != nullptr;
}

enum class ArgCheck { kAccepted, kRejected, kException };

// The class check of an object argument: converted with ToObject (null and
// undefined raise the TypeError, reported as kException), then accepted only
// when the object really is an instance of `tmpl`; its host pointer goes to
// *host.
inline ArgCheck CheckObjectArgument(v8::Local<v8::Context> context, v8::Local<v8::FunctionTemplate> tmpl,
                                    v8::Local<v8::Value> value, void** host) {
    v8::Local<v8::Object> object;
    if (!js::ToObject(context, value, &object)) return ArgCheck::kException;
    if (!IsInstance(tmpl, object)) return ArgCheck::kRejected;
    *host = object->GetAlignedPointerFromInternalField(kNativeField);
    return ArgCheck::kAccepted;
}

enum class JsonArgument { kText, kNotJson, kException };

// An optional settings or options object at `position` as compact JSON text
// ("" when the argument is absent). kException: converting it to an object
// or serialising it threw (a cyclic object, a BigInt, a throwing toJSON).
// kNotJson: it serialises to nothing (a function, a toJSON that returns
// undefined); the engine then writes the word "undefined", which is no JSON
// text and must not reach the host as one.
inline JsonArgument OptionalJsonArgument(const v8::FunctionCallbackInfo<v8::Value>& info, int position,
                                         std::string* json) {
    json->clear();
    if (info.Length() <= position) return JsonArgument::kText;
    v8::Local<v8::Context> context = info.GetIsolate()->GetCurrentContext();
    v8::Local<v8::Object> object;
    if (!js::ToObject(context, info[position], &object)) return JsonArgument::kException;
    if (!js::Stringify(context, object, json)) return JsonArgument::kException;
    if (*json == "undefined") {
        json->clear();
        return JsonArgument::kNotJson;
    }
    return JsonArgument::kText;
}

// Equals(other) of Document, Picture, Layer and Bitmap: false without an
// argument or for an object of another class; otherwise the host's answer.
template <typename Interface>
void CommonEquals(const v8::FunctionCallbackInfo<v8::Value>& info, v8::Local<v8::FunctionTemplate> own) {
    if (info.Length() < 1) {
        info.GetReturnValue().Set(false);
        return;
    }
    void* other = nullptr;
    switch (CheckObjectArgument(info.GetIsolate()->GetCurrentContext(), own, info[0], &other)) {
        case ArgCheck::kException:
            return;
        case ArgCheck::kRejected:
            info.GetReturnValue().Set(false);
            return;
        case ArgCheck::kAccepted:
            break;
    }
    Interface* self = HostOf<Interface>(info);
    if (!self || !other) {
        info.GetReturnValue().Set(false);
        return;
    }
    info.GetReturnValue().Set(self->Equals(static_cast<Interface*>(other)));
}

// Jsonize() of Document, Picture, Layer and Bitmap: the host's text as it
// comes (not parsed); null for a wrapper without a host object.
template <typename Interface>
void CommonJsonize(const v8::FunctionCallbackInfo<v8::Value>& info) {
    Interface* self = HostOf<Interface>(info);
    if (!self) {
        info.GetReturnValue().SetNull();
        return;
    }
    v8::Local<v8::String> text;
    if (!js::NewHostString(info.GetIsolate(), self->Jsonize(), &text)) return;
    info.GetReturnValue().Set(text);
}

}  // namespace qfjsbinding

#endif
