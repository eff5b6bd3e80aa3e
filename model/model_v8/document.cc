// The version 8 "Document" class: the host document the filter runs in (its
// file path, current colour and selection), read from the host on every
// access.
#include <algorithm>
#include <cstdint>
#include <string>

#include "engine/callback_guard.h"
#include "engine/class_builder.h"
#include "model/model_v8/classes_v8.h"
#include "model/model_v8/color_object.h"
#include "model/model_v8/host_wrap.h"

namespace qfjsbinding {

using v8::FunctionCallbackInfo;
using v8::Isolate;
using v8::Local;
using v8::Name;
using v8::PropertyCallbackInfo;
using v8::Value;

namespace {

enum DocumentMember : int { kFilePath, kCurrentColor };

}  // namespace

void Document_GetMember(Local<Name>, const PropertyCallbackInfo<Value>& info) {
    IQFDocument* document = HostOf<IQFDocument>(info);
    if (!document) {
        info.GetReturnValue().SetNull();
        return;
    }
    Isolate* isolate = info.GetIsolate();
    switch (MemberOf(info.Data())) {
        case kFilePath: {
            // Paths reach scripts with forward slashes only; nothing else changes.
            std::string path = document->GetFilePath();
            std::replace(path.begin(), path.end(), '\\', '/');
            Local<v8::String> text;
            if (js::NewHostString(isolate, path, &text)) info.GetReturnValue().Set(text);
            return;
        }
        case kCurrentColor: {
            double red = 0, green = 0, blue = 0, alpha = 0;
            int index = 0;
            document->GetCurrentColor(red, green, blue, alpha, index);
            Local<v8::Object> color;
            if (!NewValueColorObject(isolate->GetCurrentContext(), ContextOf(isolate), red, green, blue, alpha,
                                     index, &color)) {
                return;
            }
            info.GetReturnValue().Set(color);
            return;
        }
    }
}

void Document_IsSelected(const FunctionCallbackInfo<Value>& info) {
    IQFDocument* document = HostOf<IQFDocument>(info);
    if (!document || info.Length() < 2) {
        info.GetReturnValue().SetNull();
        return;
    }
    Local<v8::Context> context = info.GetIsolate()->GetCurrentContext();
    std::int32_t x = 0;
    std::int32_t y = 0;
    if (!js::ToInt32(context, info[0], &x) || !js::ToInt32(context, info[1], &y)) return;
    info.GetReturnValue().Set(document->IsSelected(x, y));
}

void Document_Jsonize(const FunctionCallbackInfo<Value>& info) {
    CommonJsonize<IQFDocument>(info);
}

void Document_Equals(const FunctionCallbackInfo<Value>& info) {
    CommonEquals<IQFDocument>(info, ContextOf(info.GetIsolate())->documentTemplate);
}

Local<v8::FunctionTemplate> NewDocumentClass(Isolate* isolate) {
    static const AccessorDef kAccessors[] = {
        {"FilePath", GuardedGetter<Document_GetMember>, nullptr, kFilePath},
        {"CurrentColor", GuardedGetter<Document_GetMember>, nullptr, kCurrentColor},
    };
    static const MethodDef kMethods[] = {
        {"IsSelected", Guarded<Document_IsSelected>},
        {"Jsonize", Guarded<Document_Jsonize>},
        {"Equals", Guarded<Document_Equals>},
    };
    return BuildClass(isolate, MakeClassDef("Document", 2, kAccessors, kMethods));
}

}  // namespace qfjsbinding
