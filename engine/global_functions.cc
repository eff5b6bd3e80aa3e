#include "engine/global_functions.h"

#include <algorithm>
#include <string>

#include "engine/callback_guard.h"
#include "engine/filter_context.h"
#include "engine/js_convert.h"

namespace qfjsbinding {

using v8::FunctionCallbackInfo;
using v8::Isolate;
using v8::Local;
using v8::Name;
using v8::PropertyCallbackInfo;
using v8::String;
using v8::Value;

namespace provided_functions {

void Global_ResultGetter(Local<Name>, const PropertyCallbackInfo<Value>& info) {
    info.GetReturnValue().Set(ContextOf(info.GetIsolate())->scriptResult);
}

void Global_ResultSetter(Local<Name>, Local<Value> value, const PropertyCallbackInfo<void>& info) {
    Isolate* isolate = info.GetIsolate();
    std::int32_t result = 0;
    if (!js::ToInt32(isolate->GetCurrentContext(), value, &result)) return;
    ContextOf(isolate)->scriptResult = result;
}

void Global_ErrorMessageGetter(Local<Name>, const PropertyCallbackInfo<Value>& info) {
    Isolate* isolate = info.GetIsolate();
    Local<String> text;
    if (!js::NewString(isolate, ContextOf(isolate)->scriptErrorMessage, &text)) return;
    info.GetReturnValue().Set(text);
}

void Global_ErrorMessageSetter(Local<Name>, Local<Value> value, const PropertyCallbackInfo<void>& info) {
    Isolate* isolate = info.GetIsolate();
    std::string text;
    if (!js::ToUtf8(isolate, isolate->GetCurrentContext(), value, &text)) return;
    ContextOf(isolate)->scriptErrorMessage = std::move(text);
}

void Global_SetVersion(const FunctionCallbackInfo<Value>& info) {
    Isolate* isolate = info.GetIsolate();
    if (info.Length() < 1) {
        info.GetReturnValue().Set(false);
        return;
    }
    std::string version;
    if (!js::ToUtf8(isolate, isolate->GetCurrentContext(), info[0], &version)) return;
    TJSFilterContext* context = ContextOf(isolate);
    if (version == "7") {
        context->isVersion8 = false;
    } else if (version == "8") {
        context->isVersion8 = true;
    } else {
        isolate->ThrowException(String::NewFromUtf8Literal(isolate, "SetVersion() : Invalid version"));
        return;
    }
    info.GetReturnValue().Set(true);
}

void Global_MessageBox(const FunctionCallbackInfo<Value>& info) {
    Isolate* isolate = info.GetIsolate();
    Local<v8::Context> context = isolate->GetCurrentContext();
    std::string text;
    for (int i = 0; i < info.Length(); ++i) {
        std::string part;
        if (!js::ToUtf8(isolate, context, info[i], &part)) return;
        text += part;
    }
    TJSFilterContext* filter = ContextOf(isolate);
    if (filter->showMessageProc) filter->showMessageProc(filter->hostData, text.c_str());
}

void Global_SetProgress(const FunctionCallbackInfo<Value>& info) {
    Isolate* isolate = info.GetIsolate();
    if (info.Length() < 2) {
        info.GetReturnValue().Set(false);
        return;
    }
    Local<v8::Context> context = isolate->GetCurrentContext();
    std::int32_t done = 0;
    std::int32_t total = 0;
    if (!js::ToInt32(context, info[0], &done) || !js::ToInt32(context, info[1], &total)) return;
    TJSFilterContext* filter = ContextOf(isolate);
    // A request may name no progress callback ("0"); the script then sees false.
    const bool result = filter->progressProc ? filter->progressProc(filter->hostData, done, total) : false;
    info.GetReturnValue().Set(result);
}

void Global_SetStatus(const FunctionCallbackInfo<Value>& info) {
    Isolate* isolate = info.GetIsolate();
    if (info.Length() < 1) return;
    std::string text;
    if (!js::ToUtf8(isolate, isolate->GetCurrentContext(), info[0], &text)) return;
    TJSFilterContext* filter = ContextOf(isolate);
    if (filter->setStatusProc) filter->setStatusProc(filter->hostData, text.c_str());
}

void Global_SetProcessOption(const FunctionCallbackInfo<Value>& info) {
    // Accepted for compatibility with older scripts: the arguments are
    // converted (so their conversion errors surface) and nothing else happens.
    Isolate* isolate = info.GetIsolate();
    if (info.Length() < 2) return;
    Local<v8::Context> context = isolate->GetCurrentContext();
    std::string key;
    std::string value;
    if (!js::ToUtf8(isolate, context, info[0], &key)) return;
    js::ToUtf8(isolate, context, info[1], &value);
}

void Global_ValueClip(const FunctionCallbackInfo<Value>& info) {
    if (info.Length() < 3) return;
    Local<v8::Context> context = info.GetIsolate()->GetCurrentContext();
    std::int32_t value = 0;
    std::int32_t min = 0;
    std::int32_t max = 0;
    if (!js::ToInt32(context, info[0], &value) || !js::ToInt32(context, info[1], &min) ||
        !js::ToInt32(context, info[2], &max)) {
        return;
    }
    // The upper bound first, then the lower one: with min > max the result is min.
    info.GetReturnValue().Set(std::max(std::min(value, max), min));
}

void Global_ByteClip(const FunctionCallbackInfo<Value>& info) {
    if (info.Length() < 1) return;
    std::int32_t value = 0;
    if (!js::ToInt32(info.GetIsolate()->GetCurrentContext(), info[0], &value)) return;
    info.GetReturnValue().Set(std::clamp<std::int32_t>(value, 0, 255));
}

void Global_Quit(const FunctionCallbackInfo<Value>& info) {
    Isolate* isolate = info.GetIsolate();
    Local<v8::Context> context = isolate->GetCurrentContext();
    TJSFilterContext* filter = ContextOf(isolate);
    if (info.Length() >= 1) {
        std::int32_t code = 0;
        if (!js::ToInt32(context, info[0], &code)) return;
        filter->scriptResult = code;
    }
    filter->quitRequested = true;
    isolate->TerminateExecution();
    // A termination request only takes effect when script code next checks for
    // interrupts, which would let a surrounding catch/finally run first. Entering
    // a tiny script here raises the termination before Quit returns, so nothing
    // of the script runs after Quit.
    Local<v8::Script> probe;
    if (v8::Script::Compile(context, String::NewFromUtf8Literal(isolate, "0")).ToLocal(&probe)) {
        v8::MaybeLocal<Value> ignored = probe->Run(context);
        static_cast<void>(ignored);
    }
    if (!isolate->IsExecutionTerminating()) {
        isolate->ThrowException(String::NewFromUtf8Literal(isolate, "quit"));
    }
}

void Global_UserParamGetter(std::uint32_t index, const PropertyCallbackInfo<Value>& info) {
    Isolate* isolate = info.GetIsolate();
    const std::vector<std::string>& params = ContextOf(isolate)->userParams;
    if (index >= params.size()) {
        info.GetReturnValue().SetNull();
        return;
    }
    Local<String> text;
    if (!js::NewString(isolate, params[index], &text)) return;
    info.GetReturnValue().Set(text);
}

void Global_UserParamSetter(std::uint32_t index, Local<Value> value, const PropertyCallbackInfo<Value>& info) {
    Isolate* isolate = info.GetIsolate();
    std::vector<std::string>& params = ContextOf(isolate)->userParams;
    // Intercept every index, so that an index beyond the list never becomes
    // an ordinary property of the object.
    info.GetReturnValue().Set(value);
    if (index >= params.size()) return;
    std::string text;
    if (!js::ToUtf8(isolate, isolate->GetCurrentContext(), value, &text)) return;
    params[index] = std::move(text);
}

}  // namespace provided_functions

void InstallCoreGlobals(Isolate* isolate, Local<v8::ObjectTemplate> global) {
    using namespace provided_functions;
    global->SetAccessor(js::Name(isolate, "Result"), GuardedGetter<Global_ResultGetter>,
                        GuardedSetter<Global_ResultSetter>);
    global->SetAccessor(js::Name(isolate, "ErrorMessage"), GuardedGetter<Global_ErrorMessageGetter>,
                        GuardedSetter<Global_ErrorMessageSetter>);
    struct {
        const char* name;
        v8::FunctionCallback callback;
    } const functions[] = {
        {"SetVersion", Guarded<Global_SetVersion>},
        {"MessageBox", Guarded<Global_MessageBox>},
        {"Print", Guarded<Global_MessageBox>},
        {"SetProgress", Guarded<Global_SetProgress>},
        {"SetStatus", Guarded<Global_SetStatus>},
        {"SetProcessOption", Guarded<Global_SetProcessOption>},
        {"ValueClip", Guarded<Global_ValueClip>},
        {"ByteClip", Guarded<Global_ByteClip>},
        {"Quit", Guarded<Global_Quit>},
    };
    for (const auto& f : functions) {
        global->Set(js::Name(isolate, f.name), v8::FunctionTemplate::New(isolate, f.callback));
    }
}

Local<v8::ObjectTemplate> NewUserParamTemplate(Isolate* isolate) {
    Local<v8::ObjectTemplate> tmpl = v8::ObjectTemplate::New(isolate);
    tmpl->SetHandler(v8::IndexedPropertyHandlerConfiguration(
        GuardedIndexedGetter<provided_functions::Global_UserParamGetter>,
        GuardedIndexedSetter<provided_functions::Global_UserParamSetter>));
    return tmpl;
}

}  // namespace qfjsbinding
