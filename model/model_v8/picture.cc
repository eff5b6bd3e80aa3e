// The version 8 "Picture" class: one host picture (a single bitmap, a layer
// tree or animation frames), its mipmaps, duplicates and host filters. Type
// dependent members ask the host for the type on every access.
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

enum PictureMember : int {
    kType,
    kBitmap,
    kCanvasWidth,
    kCanvasHeight,
    kAniFrameCount,
    kLayerCount,
    kCurrentLayer,
    kCurrentAniFrame,
    kIsLayer,
    kIsSingle,
    kIsAnimation,
    kMipmapLevel,
    kPixelType,
};

// Method results when the method cannot call the host.
void ReturnNull(const FunctionCallbackInfo<Value>& info) {
    info.GetReturnValue().SetNull();
}
void ReturnFalse(const FunctionCallbackInfo<Value>& info) {
    info.GetReturnValue().Set(false);
}

// The Layer argument at `position` after the class check. False when the
// method must end: with a pending exception (null or undefined given), or
// with its failure value set (another class).
bool LayerArgument(const FunctionCallbackInfo<Value>& info, int position, bool failWithNull, IQFLayer** layer) {
    Isolate* isolate = info.GetIsolate();
    void* host = nullptr;
    switch (CheckObjectArgument(isolate->GetCurrentContext(), ContextOf(isolate)->layerTemplate, info[position],
                                &host)) {
        case ArgCheck::kException:
            return false;
        case ArgCheck::kRejected:
            break;
        case ArgCheck::kAccepted:
            if (host) {
                *layer = static_cast<IQFLayer*>(host);
                return true;
            }
            break;
    }
    failWithNull ? ReturnNull(info) : ReturnFalse(info);
    return false;
}

}  // namespace

void Picture_GetMember(Local<Name>, const PropertyCallbackInfo<Value>& info) {
    IQFPicture* picture = HostOf<IQFPicture>(info);
    auto ret = info.GetReturnValue();
    if (!picture) {
        ret.SetNull();
        return;
    }
    Isolate* isolate = info.GetIsolate();
    TJSFilterContext* context = ContextOf(isolate);
    Local<v8::String> text;
    switch (MemberOf(info.Data())) {
        case kType:
            if (js::NewHostString(isolate, picture->GetType(), &text)) ret.Set(text);
            return;
        case kBitmap:
            ReturnWrapperOrNull(info, context->bitmapTemplate, picture->GetBitmap());
            return;
        case kCanvasWidth:
            ret.Set(picture->GetCanvasWidth());
            return;
        case kCanvasHeight:
            ret.Set(picture->GetCanvasHeight());
            return;
        case kAniFrameCount:
            if (picture->GetType() == "ANIMATION") {
                ret.Set(picture->GetAniFrameCount());
            } else {
                ret.SetNull();
            }
            return;
        case kLayerCount:
            if (picture->GetType() == "LAYER") {
                ret.Set(picture->GetLayerCount());
            } else {
                ret.SetNull();
            }
            return;
        case kCurrentLayer:
            if (picture->GetType() == "LAYER") {
                ReturnWrapperOrNull(info, context->layerTemplate, picture->GetCurrentLayer());
            } else {
                ret.SetNull();
            }
            return;
        case kCurrentAniFrame:
            if (picture->GetType() == "ANIMATION") {
                ReturnWrapperOrNull(info, context->aniFrameTemplate, picture->GetCurrentAniFrame());
            } else {
                ret.SetNull();
            }
            return;
        case kIsLayer:
            ret.Set(picture->GetType() == "LAYER");
            return;
        case kIsSingle:
            ret.Set(picture->GetType() == "SINGLE");
            return;
        case kIsAnimation:
            ret.Set(picture->GetType() == "ANIMATION");
            return;
        case kMipmapLevel:
            ret.Set(picture->GetMipmapLevel());
            return;
        case kPixelType:
            if (js::NewHostString(isolate, picture->GetPixelType(), &text)) ret.Set(text);
            return;
    }
}

void Picture_SetMember(Local<Name>, Local<Value> value, const PropertyCallbackInfo<void>& info) {
    IQFPicture* picture = HostOf<IQFPicture>(info);
    if (!picture) return;
    Isolate* isolate = info.GetIsolate();
    Local<v8::Context> context = isolate->GetCurrentContext();
    const int member = MemberOf(info.Data());
    switch (member) {
        case kType: {
            std::string type;
            if (!js::ToHostText(isolate, context, value, &type)) return;
            picture->SetType(UpperAscii(std::move(type)));
            return;
        }
        case kBitmap: {
            IQFBitmap* bitmap = nullptr;
            if (AssignedBitmap(ContextOf(isolate), value, &bitmap)) picture->SetBitmap(bitmap);
            return;
        }
        case kCanvasWidth:
        case kCanvasHeight: {
            // Only layer and animation pictures have a canvas of their own.
            if (picture->GetType() != "LAYER" && picture->GetType() != "ANIMATION") return;
            std::int32_t size = 0;
            if (!js::ToInt32(context, value, &size)) return;
            if (member == kCanvasWidth) {
                picture->SetCanvasWidth(size);
            } else {
                picture->SetCanvasHeight(size);
            }
            return;
        }
        default:
            return;
    }
}

void Picture_Equals(const FunctionCallbackInfo<Value>& info) {
    CommonEquals<IQFPicture>(info, ContextOf(info.GetIsolate())->pictureTemplate);
}

void Picture_Jsonize(const FunctionCallbackInfo<Value>& info) {
    CommonJsonize<IQFPicture>(info);
}

void Picture_Duplicate(const FunctionCallbackInfo<Value>& info) {
    IQFPicture* picture = HostOf<IQFPicture>(info);
    if (!picture) return ReturnNull(info);
    ReturnWrapperOrNull(info, ContextOf(info.GetIsolate())->pictureTemplate, picture->Duplicate());
}

void Picture_GetAniFrame(const FunctionCallbackInfo<Value>& info) {
    IQFPicture* picture = HostOf<IQFPicture>(info);
    if (!picture || info.Length() < 1) return ReturnNull(info);
    std::int32_t index = 0;
    if (!js::ToInt32(info.GetIsolate()->GetCurrentContext(), info[0], &index)) return;
    ReturnWrapperOrNull(info, ContextOf(info.GetIsolate())->aniFrameTemplate, picture->GetAniFrame(index));
}

void Picture_GetLayer(const FunctionCallbackInfo<Value>& info) {
    IQFPicture* picture = HostOf<IQFPicture>(info);
    if (!picture || info.Length() < 1) return ReturnNull(info);
    std::int32_t index = 0;
    if (!js::ToInt32(info.GetIsolate()->GetCurrentContext(), info[0], &index)) return;
    ReturnWrapperOrNull(info, ContextOf(info.GetIsolate())->layerTemplate, picture->GetLayer(index));
}

void Picture_RemoveLayer(const FunctionCallbackInfo<Value>& info) {
    IQFPicture* picture = HostOf<IQFPicture>(info);
    if (!picture || info.Length() < 1) return ReturnFalse(info);
    std::int32_t index = 0;
    if (!js::ToInt32(info.GetIsolate()->GetCurrentContext(), info[0], &index)) return;
    info.GetReturnValue().Set(picture->RemoveLayer(index));
}

void Picture_AddLayer(const FunctionCallbackInfo<Value>& info) {
    IQFPicture* picture = HostOf<IQFPicture>(info);
    if (!picture || info.Length() < 1) return ReturnFalse(info);
    IQFLayer* layer = nullptr;
    if (!LayerArgument(info, 0, false, &layer)) return;
    info.GetReturnValue().Set(picture->AddLayer(layer));
}

void Picture_InsertLayer(const FunctionCallbackInfo<Value>& info) {
    IQFPicture* picture = HostOf<IQFPicture>(info);
    if (!picture || info.Length() < 2) return ReturnFalse(info);
    std::int32_t index = 0;
    if (!js::ToInt32(info.GetIsolate()->GetCurrentContext(), info[0], &index)) return;
    IQFLayer* layer = nullptr;
    if (!LayerArgument(info, 1, false, &layer)) return;
    info.GetReturnValue().Set(picture->InsertLayer(index, layer));
}

void Picture_ApplyFilter(const FunctionCallbackInfo<Value>& info) {
    IQFPicture* picture = HostOf<IQFPicture>(info);
    if (info.Length() < 1 || !picture) return ReturnNull(info);
    Isolate* isolate = info.GetIsolate();
    std::string name;
    if (!js::ToHostText(isolate, isolate->GetCurrentContext(), info[0], &name)) return;
    std::string settings;
    switch (OptionalJsonArgument(info, 1, &settings)) {
        case JsonArgument::kException: return;
        case JsonArgument::kNotJson: return ReturnNull(info);
        case JsonArgument::kText: break;
    }
    ReturnWrapperOrNull(info, ContextOf(isolate)->pictureTemplate,
                        picture->ApplyFilter(name.c_str(), settings.c_str()));
}

void Picture_GetParentLayer(const FunctionCallbackInfo<Value>& info) {
    IQFPicture* picture = HostOf<IQFPicture>(info);
    if (!picture || info.Length() < 1) return ReturnNull(info);
    IQFLayer* layer = nullptr;
    if (!LayerArgument(info, 0, true, &layer)) return;
    ReturnWrapperOrNull(info, ContextOf(info.GetIsolate())->layerTemplate, picture->GetParentLayer(layer));
}

void Picture_GetMipmap(const FunctionCallbackInfo<Value>& info) {
    IQFPicture* picture = HostOf<IQFPicture>(info);
    if (!picture || info.Length() < 1) return ReturnNull(info);
    std::int32_t level = 0;
    if (!js::ToInt32(info.GetIsolate()->GetCurrentContext(), info[0], &level)) return;
    ReturnWrapperOrNull(info, ContextOf(info.GetIsolate())->bitmapTemplate, picture->GetMipmap(level));
}

void Picture_RemoveAniFrame(const FunctionCallbackInfo<Value>& info) {
    IQFPicture* picture = HostOf<IQFPicture>(info);
    if (!picture || info.Length() < 1) return ReturnFalse(info);
    std::int32_t index = 0;
    if (!js::ToInt32(info.GetIsolate()->GetCurrentContext(), info[0], &index)) return;
    info.GetReturnValue().Set(picture->RemoveAniFrame(index));
}

void Picture_AddAniFrame(const FunctionCallbackInfo<Value>& info) {
    IQFPicture* picture = HostOf<IQFPicture>(info);
    if (!picture) return ReturnNull(info);
    // The new frame is wrapped as it comes; a null frame reads null everywhere.
    ReturnWrapper(info, ContextOf(info.GetIsolate())->aniFrameTemplate, picture->AddAniFrame());
}

void Picture_InsertAniFrame(const FunctionCallbackInfo<Value>& info) {
    IQFPicture* picture = HostOf<IQFPicture>(info);
    if (!picture || info.Length() < 1) return ReturnFalse(info);
    std::int32_t index = 0;
    if (!js::ToInt32(info.GetIsolate()->GetCurrentContext(), info[0], &index)) return;
    ReturnWrapper(info, ContextOf(info.GetIsolate())->aniFrameTemplate, picture->InsertAniFrame(index));
}

Local<v8::FunctionTemplate> NewPictureClass(Isolate* isolate) {
    constexpr auto get = GuardedGetter<Picture_GetMember>;
    constexpr auto set = GuardedSetter<Picture_SetMember>;
    static const AccessorDef kAccessors[] = {
        {"Type", get, set, kType},
        {"Bitmap", get, set, kBitmap},
        {"CanvasWidth", get, set, kCanvasWidth},
        {"CanvasHeight", get, set, kCanvasHeight},
        {"AniFrameCount", get, nullptr, kAniFrameCount},
        {"LayerCount", get, nullptr, kLayerCount},
        {"CurrentLayer", get, nullptr, kCurrentLayer},
        {"CurrentAniFrame", get, nullptr, kCurrentAniFrame},
        {"IsLayer", get, nullptr, kIsLayer},
        {"IsSingle", get, nullptr, kIsSingle},
        {"IsAnimation", get, nullptr, kIsAnimation},
        {"MipmapLevel", get, nullptr, kMipmapLevel},
        {"PixelType", get, nullptr, kPixelType},
    };
    static const MethodDef kMethods[] = {
        {"Equals", Guarded<Picture_Equals>},
        {"Jsonize", Guarded<Picture_Jsonize>},
        {"Duplicate", Guarded<Picture_Duplicate>},
        {"GetAniFrame", Guarded<Picture_GetAniFrame>},
        {"GetLayer", Guarded<Picture_GetLayer>},
        {"RemoveLayer", Guarded<Picture_RemoveLayer>},
        {"AddLayer", Guarded<Picture_AddLayer>},
        {"InsertLayer", Guarded<Picture_InsertLayer>},
        {"ApplyFilter", Guarded<Picture_ApplyFilter>},
        {"GetParentLayer", Guarded<Picture_GetParentLayer>},
        {"GetMipmap", Guarded<Picture_GetMipmap>},
        {"RemoveAniFrame", Guarded<Picture_RemoveAniFrame>},
        {"AddAniFrame", Guarded<Picture_AddAniFrame>},
        {"InsertAniFrame", Guarded<Picture_InsertAniFrame>},
    };
    return BuildClass(isolate, MakeClassDef("Picture", 2, kAccessors, kMethods));
}

}  // namespace qfjsbinding
