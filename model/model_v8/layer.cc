// The version 8 "Layer" class: one node of a picture's layer tree (a folder
// with children or a bitmap layer), read and edited on the host directly.
#include <cstdint>
#include <string>

#include "engine/callback_guard.h"
#include "engine/class_builder.h"
#include "model/model_v8/classes_v8.h"
#include "model/model_v8/host_wrap.h"

namespace qfjsbinding {

using v8::FunctionCallbackInfo;
using v8::Isolate;
using v8::Local;
using v8::Name;
using v8::PropertyCallbackInfo;
using v8::Value;

namespace {

enum LayerMember : int { kType, kBitmap, kName, kX, kY, kOpacity, kHidden, kChildCount, kIsFolder, kIsBitmap };

void ReturnHostText(const PropertyCallbackInfo<Value>& info, const std::string& text) {
    Local<v8::String> str;
    if (js::NewHostString(info.GetIsolate(), text, &str)) info.GetReturnValue().Set(str);
}

}  // namespace

void Layer_GetMember(Local<Name>, const PropertyCallbackInfo<Value>& info) {
    IQFLayer* layer = HostOf<IQFLayer>(info);
    if (!layer) {
        info.GetReturnValue().SetNull();
        return;
    }
    auto ret = info.GetReturnValue();
    switch (MemberOf(info.Data())) {
        case kType: ReturnHostText(info, layer->GetType()); return;
        case kBitmap: ReturnWrapperOrNull(info, ContextOf(info.GetIsolate())->bitmapTemplate, layer->GetBitmap()); return;
        case kName: ReturnHostText(info, layer->GetName()); return;
        case kX: ret.Set(layer->GetX()); return;
        case kY: ret.Set(layer->GetY()); return;
        case kOpacity: ret.Set(layer->GetOpacity()); return;
        case kHidden: ret.Set(layer->GetHidden()); return;
        case kChildCount: ret.Set(layer->GetChildCount()); return;
        case kIsFolder: ret.Set(layer->GetType() == "FOLDER"); return;
        case kIsBitmap: ret.Set(layer->GetType() == "BITMAP"); return;
    }
}

void Layer_SetMember(Local<Name>, Local<Value> value, const PropertyCallbackInfo<void>& info) {
    IQFLayer* layer = HostOf<IQFLayer>(info);
    if (!layer) return;
    Isolate* isolate = info.GetIsolate();
    Local<v8::Context> context = isolate->GetCurrentContext();
    const int member = MemberOf(info.Data());
    switch (member) {
        case kType:
        case kName: {
            std::string text;
            if (!js::ToHostText(isolate, context, value, &text)) return;
            if (member == kType) {
                layer->SetType(UpperAscii(std::move(text)));
            } else {
                layer->SetName(text);
            }
            return;
        }
        case kBitmap: {
            IQFBitmap* bitmap = nullptr;
            if (AssignedBitmap(ContextOf(isolate), value, &bitmap)) layer->SetBitmap(bitmap);
            return;
        }
        case kX:
        case kY:
        case kOpacity: {
            std::int32_t v = 0;
            if (!js::ToInt32(context, value, &v)) return;
            if (member == kX) {
                layer->SetX(v);
            } else if (member == kY) {
                layer->SetY(v);
            } else {
                layer->SetOpacity(v);
            }
            return;
        }
        case kHidden:
            layer->SetHidden(js::ToBool(isolate, value));
            return;
        default:
            return;
    }
}

void Layer_Equals(const FunctionCallbackInfo<Value>& info) {
    CommonEquals<IQFLayer>(info, ContextOf(info.GetIsolate())->layerTemplate);
}

void Layer_Jsonize(const FunctionCallbackInfo<Value>& info) {
    CommonJsonize<IQFLayer>(info);
}

void Layer_GetChild(const FunctionCallbackInfo<Value>& info) {
    IQFLayer* layer = HostOf<IQFLayer>(info);
    if (!layer || info.Length() < 1) {
        info.GetReturnValue().SetNull();
        return;
    }
    std::int32_t index = 0;
    if (!js::ToInt32(info.GetIsolate()->GetCurrentContext(), info[0], &index)) return;
    ReturnWrapperOrNull(info, ContextOf(info.GetIsolate())->layerTemplate, layer->GetChild(index));
}

void Layer_RemoveChild(const FunctionCallbackInfo<Value>& info) {
    IQFLayer* layer = HostOf<IQFLayer>(info);
    if (!layer || info.Length() < 1) {
        info.GetReturnValue().Set(false);
        return;
    }
    std::int32_t index = 0;
    if (!js::ToInt32(info.GetIsolate()->GetCurrentContext(), info[0], &index)) return;
    info.GetReturnValue().Set(layer->RemoveChild(index));
}

void Layer_InsertChild(const FunctionCallbackInfo<Value>& info) {
    IQFLayer* layer = HostOf<IQFLayer>(info);
    if (!layer || info.Length() < 2) {
        info.GetReturnValue().Set(false);
        return;
    }
    Local<v8::Context> context = info.GetIsolate()->GetCurrentContext();
    std::int32_t index = 0;
    if (!js::ToInt32(context, info[0], &index)) return;
    void* child = nullptr;
    switch (CheckObjectArgument(context, ContextOf(info.GetIsolate())->layerTemplate, info[1], &child)) {
        case ArgCheck::kException: return;
        case ArgCheck::kRejected: info.GetReturnValue().Set(false); return;
        case ArgCheck::kAccepted: break;
    }
    if (!child) {
        info.GetReturnValue().Set(false);
        return;
    }
    info.GetReturnValue().Set(layer->InsertChild(index, static_cast<IQFLayer*>(child)));
}

void Layer_AddChild(const FunctionCallbackInfo<Value>& info) {
    IQFLayer* layer = HostOf<IQFLayer>(info);
    if (!layer || info.Length() < 1) {
        info.GetReturnValue().Set(false);
        return;
    }
    void* child = nullptr;
    switch (CheckObjectArgument(info.GetIsolate()->GetCurrentContext(), ContextOf(info.GetIsolate())->layerTemplate,
                                info[0], &child)) {
        case ArgCheck::kException: return;
        case ArgCheck::kRejected: info.GetReturnValue().Set(false); return;
        case ArgCheck::kAccepted: break;
    }
    if (!child) {
        info.GetReturnValue().Set(false);
        return;
    }
    info.GetReturnValue().Set(layer->AddChild(static_cast<IQFLayer*>(child)));
}

Local<v8::FunctionTemplate> NewLayerClass(Isolate* isolate) {
    constexpr auto get = GuardedGetter<Layer_GetMember>;
    constexpr auto set = GuardedSetter<Layer_SetMember>;
    static const AccessorDef kAccessors[] = {
        {"Type", get, set, kType},
        {"Bitmap", get, set, kBitmap},
        {"Name", get, set, kName},
        {"X", get, set, kX},
        {"Y", get, set, kY},
        {"Opacity", get, set, kOpacity},
        {"Hidden", get, set, kHidden},
        {"ChildCount", get, nullptr, kChildCount},
        {"IsFolder", get, nullptr, kIsFolder},
        {"IsBitmap", get, nullptr, kIsBitmap},
    };
    static const MethodDef kMethods[] = {
        {"Equals", Guarded<Layer_Equals>},
        {"Jsonize", Guarded<Layer_Jsonize>},
        {"GetChild", Guarded<Layer_GetChild>},
        {"RemoveChild", Guarded<Layer_RemoveChild>},
        {"InsertChild", Guarded<Layer_InsertChild>},
        {"AddChild", Guarded<Layer_AddChild>},
    };
    return BuildClass(isolate, MakeClassDef("Layer", 2, kAccessors, kMethods));
}

}  // namespace qfjsbinding
