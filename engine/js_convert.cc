#include "engine/js_convert.h"

#include <limits>

namespace qfjsbinding::js {

using v8::Isolate;
using v8::Local;
using v8::String;

namespace {

bool StringToUtf8(Isolate* isolate, Local<String> str, std::string* out) {
    const int length = str->Utf8Length(isolate);
    std::string text(static_cast<std::size_t>(length), '\0');
    if (length > 0) {
        str->WriteUtf8(isolate, text.data(), length, nullptr,
                       String::NO_NULL_TERMINATION | String::REPLACE_INVALID_UTF8);
    }
    *out = std::move(text);
    return true;
}

}  // namespace

bool ToUtf8(Isolate* isolate, Local<v8::Context> context, Local<v8::Value> value, std::string* out) {
    Local<String> str;
    if (value->IsString()) {
        str = value.As<String>();
    } else if (!value->ToString(context).ToLocal(&str)) {
        return false;
    }
    return StringToUtf8(isolate, str, out);
}

bool ToHostText(Isolate* isolate, Local<v8::Context> context, Local<v8::Value> value, std::string* out) {
    if (!ToUtf8(isolate, context, value, out)) return false;
    const std::size_t nul = out->find('\0');
    if (nul != std::string::npos) out->resize(nul);
    return true;
}

bool NewString(Isolate* isolate, std::string_view text, Local<String>* out) {
    if (text.size() > static_cast<std::size_t>(std::numeric_limits<int>::max())) {
        isolate->ThrowException(v8::Exception::RangeError(
            String::NewFromUtf8Literal(isolate, "Text too long for a script string")));
        return false;
    }
    if (String::NewFromUtf8(isolate, text.data(), v8::NewStringType::kNormal,
                            static_cast<int>(text.size()))
            .ToLocal(out)) {
        return true;
    }
    // The engine refuses strings beyond its maximum length; tell the script.
    if (!isolate->IsExecutionTerminating()) {
        isolate->ThrowException(v8::Exception::RangeError(
            String::NewFromUtf8Literal(isolate, "Text too long for a script string")));
    }
    return false;
}

bool NewHostString(Isolate* isolate, const std::string& text, Local<String>* out) {
    const std::size_t nul = text.find('\0');
    return NewString(isolate, std::string_view(text).substr(0, nul), out);
}

bool Stringify(Local<v8::Context> context, Local<v8::Value> value, std::string* out) {
    Local<String> json;
    if (!v8::JSON::Stringify(context, value).ToLocal(&json)) return false;
    return StringToUtf8(context->GetIsolate(), json, out);
}

}  // namespace qfjsbinding::js
