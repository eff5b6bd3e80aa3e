// Global functions that make bitmaps, pictures and layers and read and write
// picture files. Each converts its arguments, asks the host factory, and
// wraps what the host returns; formats and pixels are the host's business.
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
using v8::Value;

namespace {

// Reads width, height, bit count and the optional extra (0 when absent)
// from the arguments starting at `first`.
struct BitmapArguments {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t bitCount = 0;
    std::int32_t extra = 0;
};

bool ReadBitmapArguments(const FunctionCallbackInfo<Value>& info, bool bitCountOptional, BitmapArguments* out) {
    Local<v8::Context> context = info.GetIsolate()->GetCurrentContext();
    if (!js::ToInt32(context, info[0], &out->width) || !js::ToInt32(context, info[1], &out->height)) return false;
    if (info.Length() >= 3) {
        if (!js::ToInt32(context, info[2], &out->bitCount)) return false;
    } else if (bitCountOptional) {
        out->bitCount = 32;
    }
    if (info.Length() >= 4 && !js::ToInt32(context, info[3], &out->extra)) return false;
    return true;
}

// The Bitmap argument after the class check: false when the function must
// end (exception pending, or its failure value set).
bool BitmapArgument(const FunctionCallbackInfo<Value>& info, IQFBitmap** bitmap) {
    Isolate* isolate = info.GetIsolate();
    void* host = nullptr;
    switch (CheckObjectArgument(isolate->GetCurrentContext(), ContextOf(isolate)->bitmapTemplate, info[0], &host)) {
        case ArgCheck::kException:
            return false;
        case ArgCheck::kRejected:
            info.GetReturnValue().SetNull();
            return false;
        case ArgCheck::kAccepted:
            break;
    }
    *bitmap = static_cast<IQFBitmap*>(host);
    if (!*bitmap) {
        info.GetReturnValue().SetNull();
        return false;
    }
    return true;
}

// A new layer of the given type and name; the bitmap (if any) is set last.
void ReturnNewLayer(const FunctionCallbackInfo<Value>& info, IQFJSFactory* factory, const char* type,
                    const char* name, IQFBitmap* bitmap) {
    IQFLayer* layer = factory->CreateLayer();
    if (!layer) {
        info.GetReturnValue().SetNull();
        return;
    }
    layer->SetType(type);
    layer->SetName(name);
    if (bitmap) layer->SetBitmap(bitmap);
    ReturnWrapper(info, ContextOf(info.GetIsolate())->layerTemplate, layer);
}

}  // namespace

void GlobalFunc_CreateBitmap(const FunctionCallbackInfo<Value>& info) {
    IQFJSFactory* factory = ContextOf(info.GetIsolate())->factory;
    if (!factory || info.Length() < 3) {
        info.GetReturnValue().SetNull();
        return;
    }
    BitmapArguments args;
    if (!ReadBitmapArguments(info, false, &args)) return;
    ReturnWrapperOrNull(info, ContextOf(info.GetIsolate())->bitmapTemplate,
                        factory->CreateBitmap(args.width, args.height, args.bitCount, args.extra));
}

void GlobalFunc_CreatePicture(const FunctionCallbackInfo<Value>& info) {
    TJSFilterContext* context = ContextOf(info.GetIsolate());
    IQFJSFactory* factory = context->factory;
    const int count = info.Length();
    if (!factory || count == 2) {
        info.GetReturnValue().SetNull();
        return;
    }
    IQFBitmap* bitmap = nullptr;
    if (count == 0) {
        bitmap = factory->CreateBitmap(1, 1, 24, 0);
    } else if (count == 1) {
        IQFBitmap* source = nullptr;
        if (!BitmapArgument(info, &source)) return;
        // The picture gets its own copy: later changes to the script's
        // bitmap do not reach it.
        bitmap = source->Duplicate();
    } else {
        BitmapArguments args;
        if (!ReadBitmapArguments(info, false, &args)) return;
        bitmap = factory->CreateBitmap(args.width, args.height, args.bitCount, args.extra);
    }
    if (!bitmap) {
        info.GetReturnValue().SetNull();
        return;
    }
    ReturnWrapperOrNull(info, context->pictureTemplate, factory->CreatePicture(bitmap));
}

void GlobalFunc_CreateBitmapLayer(const FunctionCallbackInfo<Value>& info) {
    IQFJSFactory* factory = ContextOf(info.GetIsolate())->factory;
    if (!factory || info.Length() < 2) {
        info.GetReturnValue().SetNull();
        return;
    }
    BitmapArguments args;
    if (!ReadBitmapArguments(info, true, &args)) return;
    // Bitmap layers are 8-bit index colour or 32-bit; 24 is taken as 32.
    if (args.bitCount == 24) args.bitCount = 32;
    if (args.bitCount != 8 && args.bitCount != 32) {
        info.GetReturnValue().SetNull();
        return;
    }
    IQFBitmap* bitmap = factory->CreateBitmap(args.width, args.height, args.bitCount, args.extra);
    if (!bitmap) {
        info.GetReturnValue().SetNull();
        return;
    }
    ReturnNewLayer(info, factory, "BITMAP", "Bitmap", bitmap);
}

void GlobalFunc_CreateFolderLayer(const FunctionCallbackInfo<Value>& info) {
    IQFJSFactory* factory = ContextOf(info.GetIsolate())->factory;
    if (!factory) {
        info.GetReturnValue().SetNull();
        return;
    }
    ReturnNewLayer(info, factory, "FOLDER", "Folder", nullptr);
}

void GlobalFunc_CreateLayerFromBitmap(const FunctionCallbackInfo<Value>& info) {
    IQFJSFactory* factory = ContextOf(info.GetIsolate())->factory;
    if (!factory || info.Length() < 1) {
        info.GetReturnValue().SetNull();
        return;
    }
    IQFBitmap* source = nullptr;
    if (!BitmapArgument(info, &source)) return;
    IQFBitmap* copy = source->Duplicate();
    if (!copy) {
        info.GetReturnValue().SetNull();
        return;
    }
    ReturnNewLayer(info, factory, "BITMAP", "Bitmap", copy);
}

void GlobalFunc_LoadPicture(const FunctionCallbackInfo<Value>& info) {
    Isolate* isolate = info.GetIsolate();
    IQFJSFactory* factory = ContextOf(isolate)->factory;
    if (!factory || info.Length() < 1) {
        info.GetReturnValue().SetNull();
        return;
    }
    std::string path;
    if (!js::ToHostText(isolate, isolate->GetCurrentContext(), info[0], &path)) return;
    std::string options;
    switch (OptionalJsonArgument(info, 1, &options)) {
        case JsonArgument::kException: return;
        case JsonArgument::kNotJson: info.GetReturnValue().SetNull(); return;
        case JsonArgument::kText: break;
    }
    ReturnWrapperOrNull(info, ContextOf(isolate)->pictureTemplate, factory->LoadPicture(path.c_str(), options.c_str()));
}

void GlobalFunc_SavePicture(const FunctionCallbackInfo<Value>& info) {
    Isolate* isolate = info.GetIsolate();
    TJSFilterContext* context = ContextOf(isolate);
    IQFJSFactory* factory = context->factory;
    if (!factory || info.Length() < 2) {
        info.GetReturnValue().Set(false);
        return;
    }
    Local<v8::Context> scriptContext = isolate->GetCurrentContext();
    Local<v8::Object> target;
    if (!js::ToObject(scriptContext, info[0], &target)) return;
    IQFBitmap* bitmap = nullptr;
    IQFPicture* picture = nullptr;
    if (IsInstance(context->bitmapTemplate, target)) {
        bitmap = static_cast<IQFBitmap*>(target->GetAlignedPointerFromInternalField(kNativeField));
        if (!bitmap) {
            info.GetReturnValue().Set(false);
            return;
        }
    } else if (IsInstance(context->pictureTemplate, target)) {
        picture = static_cast<IQFPicture*>(target->GetAlignedPointerFromInternalField(kNativeField));
    } else {
        info.GetReturnValue().Set(false);
        return;
    }
    // Path and options are converted before the host is asked for anything:
    // a conversion that throws must not leave a new host picture behind.
    std::string path;
    if (!js::ToHostText(isolate, scriptContext, info[1], &path)) return;
    std::string options;
    if (OptionalJsonArgument(info, 2, &options) != JsonArgument::kText) {
        info.GetReturnValue().Set(false);
        return;
    }
    // A bitmap is saved through a new picture made over it (not a copy), at
    // every call; a null picture is the host's to refuse.
    if (bitmap) picture = factory->CreatePicture(bitmap);
    info.GetReturnValue().Set(factory->SavePicture(picture, path.c_str(), options.c_str()));
}

void InstallConstructorFunctions(Isolate* isolate, Local<v8::ObjectTemplate> global) {
    SetGlobalFunction(isolate, global, "CreatePicture", Guarded<GlobalFunc_CreatePicture>);
    SetGlobalFunction(isolate, global, "CreateBitmap", Guarded<GlobalFunc_CreateBitmap>);
    SetGlobalFunction(isolate, global, "CreateBitmapLayer", Guarded<GlobalFunc_CreateBitmapLayer>);
    SetGlobalFunction(isolate, global, "CreateFolderLayer", Guarded<GlobalFunc_CreateFolderLayer>);
    SetGlobalFunction(isolate, global, "CreateLayerFromBitmap", Guarded<GlobalFunc_CreateLayerFromBitmap>);
    SetGlobalFunction(isolate, global, "LoadPicture", Guarded<GlobalFunc_LoadPicture>);
    SetGlobalFunction(isolate, global, "SavePicture", Guarded<GlobalFunc_SavePicture>);
}

}  // namespace qfjsbinding
