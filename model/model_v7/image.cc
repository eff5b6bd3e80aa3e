// The version 7 "Image" class: the script's one entry point ("Image"), with
// the picture's file name, the host's name, the input layer count and the
// three methods that hand out Layer objects.
//
// Input layers come from the host through the request's callbacks: a picture
// without layers ("SourcePicture"."Type" "SINGLE") through "GetV7Bitmap",
// each layer of "V7Layers" through "GetV7LayerData". Their bitmaps stay the
// host's. A layer is fetched into local values first and only given to a
// record once the host has delivered an image, so a failed fetch (missing or
// mistyped request members, a callback pointer of 0, a callback that stores
// no image) returns null and leaves no record behind that a Layer member or
// the result could dereference.
//
// Internal field: 0 the filter context.
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <string>

#include "engine/callback_guard.h"
#include "engine/class_builder.h"
#include "engine/filter_context.h"
#include "engine/js_convert.h"
#include "engine/request.h"
#include "engine/wrapper.h"
#include "libzkimg/core/src/dib.h"
#include "model/model_v7/classes_v7.h"
#include "model/model_v7/engine_blocks.h"

namespace qfjsbinding {

using v8::FunctionCallbackInfo;
using v8::Isolate;
using v8::Local;
using v8::Name;
using v8::Object;
using v8::PropertyCallbackInfo;
using v8::String;
using v8::Value;

namespace {

enum ImageMember : int { kFileName, kHostName, kLayerCount, kActiveLayer };

constexpr const char* kHostNameText = "Velmor QuillFrame 8";

// CreateOutLayer's limits: each side up to 30000 pixels and an area below
// 99,980,002 pixels (9999 x 9999 is the largest square).
constexpr std::int32_t kMaxSide = 30000;
constexpr std::int64_t kAreaLimit = 99980002;

// What the host delivered for one input layer. `layered` marks a layer of
// "V7Layers", whose name, position, visibility and opacity come with it.
struct FetchedLayer {
    bool layered = false;
    std::optional<std::string> name;
    int x = 0;
    int y = 0;
    bool hidden = false;
    unsigned opacity = 100;
    BITMAPINFO* image = nullptr;
    BITMAPINFO* alpha = nullptr;
};

const picojson::value* Member(const picojson::object* object, const char* key) {
    if (!object) return nullptr;
    auto it = object->find(key);
    return it == object->end() ? nullptr : &it->second;
}

// A pointer string as the host writes it; null when it does not parse.
const void* HandleOf(const std::string& text) {
    const void* handle = nullptr;
    if (!str2ptr(text, &handle)) return nullptr;
    return handle;
}

// Only index 0 without "V7Layers"; otherwise an index of the list.
bool IsInputIndex(const TJSFilterContext* context, std::int32_t index) {
    if (!context->v7LayerHandles) return index == 0;
    return index >= 0 && static_cast<std::size_t>(index) < context->v7LayerHandles->size();
}

// Asks the host for input layer `index` (already checked). False when the
// request or the host gives nothing usable.
bool FetchInputLayer(const TJSFilterContext* context, std::int32_t index, FetchedLayer* out) {
    const picojson::value* type = Member(context->sourcePictureInfo, "Type");
    if (!type || !type->is<std::string>()) return false;
    void* image = nullptr;
    void* alpha = nullptr;

    if (type->get<std::string>() == "SINGLE") {
        // The picture has no layers: every valid index fetches the picture.
        const picojson::value* bitmap = Member(context->sourcePictureInfo, "Bitmap");
        if (!bitmap || !bitmap->is<picojson::object>()) return false;
        const picojson::value* handle = Member(&bitmap->get<picojson::object>(), "Handle");
        if (!handle || !handle->is<std::string>() || !context->getV7BitmapProc) return false;
        context->getV7BitmapProc(context->hostData, HandleOf(handle->get<std::string>()), &image, &alpha);
        out->layered = false;
    } else {
        if (!context->v7LayerHandles) return false;
        const picojson::value& handle = (*context->v7LayerHandles)[static_cast<std::size_t>(index)];
        if (!handle.is<std::string>() || !context->getV7LayerDataProc) return false;
        const char* name = nullptr;
        context->getV7LayerDataProc(context->hostData, HandleOf(handle.get<std::string>()), &name, &out->x,
                                    &out->y, &out->hidden, &out->opacity, &image, &alpha);
        // The host's text is only valid until the callback has returned.
        if (name) out->name.emplace(name);
        out->layered = true;
    }
    out->image = static_cast<BITMAPINFO*>(image);
    out->alpha = static_cast<BITMAPINFO*>(alpha);
    return out->image != nullptr;
}

// A layer of "V7Layers" brings all its values (the name only when the host
// gave one); the picture of a "SINGLE" source brings only its bitmaps.
void Assign(const FetchedLayer& layer, TV7LayerData* record) {
    record->image = layer.image;
    record->alpha = layer.alpha;
    if (!layer.layered) return;
    if (layer.name) record->name = *layer.name;
    record->posX = layer.x;
    record->posY = layer.y;
    record->hidden = layer.hidden;
    record->opacity = layer.opacity;
}

void ReturnLayer(const FunctionCallbackInfo<Value>& info, TJSFilterContext* context, TV7LayerData* record) {
    Local<Object> layer;
    if (NewV7LayerObject(info.GetIsolate()->GetCurrentContext(), context, record, &layer)) {
        info.GetReturnValue().Set(layer);
    }
}

// A new blank image: black direct colour, or index colour whose 256 entries
// are black with reserved 255 (every pixel index 0).
OwnedBlock<BITMAPINFO> NewBlankImage(std::int32_t width, std::int32_t height, bool indexColor) {
    OwnedBlock<BITMAPINFO> image(zkiDIBAlloc(width, height, indexColor ? 8 : 24, 256));
    if (!image) return image;
    if (indexColor) {
        image->bmiHeader.biClrUsed = 256;
        RGBQUAD* table = zkiDIBPalette(image.get());
        for (int i = 0; i < 256; ++i) table[i] = RGBQUAD{0, 0, 0, 255};
    } else {
        image->bmiHeader.biClrUsed = 0;
    }
    return image;
}

// A new alpha plane that starts fully opaque.
OwnedBlock<BITMAPINFO> NewOpaquePlane(std::int32_t width, std::int32_t height, bool indexColor) {
    OwnedBlock<BITMAPINFO> plane(zkiDIBAllocAlpha(width, height, indexColor ? 8 : 24));
    if (!plane) return plane;
    if (indexColor) {
        RGBQUAD* table = zkiDIBPalette(plane.get());
        for (int i = 0; i < 256; ++i) table[i].rgbBlue = table[i].rgbGreen = table[i].rgbRed = 255;
    } else {
        std::memset(zkiDIBBits(plane.get()), 255, plane->bmiHeader.biSizeImage);
    }
    return plane;
}

}  // namespace

namespace provided_functions {

void Image_GetMember(Local<Name>, const PropertyCallbackInfo<Value>& info) {
    Isolate* isolate = info.GetIsolate();
    const TJSFilterContext* context = ContextOf(isolate);
    switch (static_cast<ImageMember>(MemberOf(info.Data()))) {
        case kFileName: {
            Local<String> text;
            if (js::NewString(isolate, context->fileName, &text)) info.GetReturnValue().Set(text);
            return;
        }
        case kHostName:
            info.GetReturnValue().Set(js::Name(isolate, kHostNameText));
            return;
        case kLayerCount:
            info.GetReturnValue().Set(
                context->v7LayerHandles ? static_cast<double>(context->v7LayerHandles->size()) : 1.0);
            return;
        case kActiveLayer:
            info.GetReturnValue().Set(context->v7ActiveLayerIndex);
            return;
    }
}

void Image_GetInLayer(const FunctionCallbackInfo<Value>& info) {
    info.GetReturnValue().SetNull();
    if (info.Length() < 1) return;
    Isolate* isolate = info.GetIsolate();
    TJSFilterContext* context = ContextOf(isolate);
    std::int32_t index;
    if (!js::ToInt32(isolate->GetCurrentContext(), info[0], &index)) return;
    if (!IsInputIndex(context, index)) return;

    // Every call makes a new record, also for an index fetched before. It is
    // made before the host is asked, so no memory means no host call.
    std::unique_ptr<TV7LayerData> record;
    try {
        record = std::make_unique<TV7LayerData>();
        context->v7LayerDataList.reserve(context->v7LayerDataList.size() + 1);
    } catch (const std::bad_alloc&) {
        return;
    }
    if (!ChargeV7Memory(context, sizeof(TV7LayerData))) return;
    record->context = context;

    FetchedLayer fetched;
    if (!FetchInputLayer(context, index, &fetched)) return;
    Assign(fetched, record.get());
    TV7LayerData* layer = record.get();
    context->v7LayerDataList.push_back(std::move(record));
    ReturnLayer(info, context, layer);
}

// Result layer `index` works directly on the host's bitmaps of input layer
// `index`.
void Image_CreateCopyLayer(const FunctionCallbackInfo<Value>& info) {
    info.GetReturnValue().SetNull();
    if (info.Length() < 1) return;
    Isolate* isolate = info.GetIsolate();
    TJSFilterContext* context = ContextOf(isolate);
    std::int32_t index;
    if (!js::ToInt32(isolate->GetCurrentContext(), info[0], &index)) return;
    if (!IsInputIndex(context, index)) return;

    FetchedLayer fetched;
    if (!FetchInputLayer(context, index, &fetched)) return;
    TV7LayerData& record = context->v7ResultLayers[index];
    record.context = context;
    Assign(fetched, &record);
    ReturnLayer(info, context, &record);
}

void Image_CreateOutLayer(const FunctionCallbackInfo<Value>& info) {
    info.GetReturnValue().SetNull();
    const int count = info.Length();
    if (count < 3) return;
    Isolate* isolate = info.GetIsolate();
    Local<v8::Context> scriptContext = isolate->GetCurrentContext();
    TJSFilterContext* context = ContextOf(isolate);

    std::int32_t index;
    std::int32_t width;
    std::int32_t height;
    if (!js::ToInt32(scriptContext, info[0], &index) || !js::ToInt32(scriptContext, info[1], &width) ||
        !js::ToInt32(scriptContext, info[2], &height)) {
        return;
    }
    const bool alpha = count >= 4 && js::ToBool(isolate, info[3]);
    const bool indexColor = count >= 5 && js::ToBool(isolate, info[4]);
    if (count >= 6) {
        // Converted like every argument, but a new index-colour layer always
        // starts with 256 entries; PaletteEntryCount changes that.
        std::int32_t paletteCount;
        if (!js::ToInt32(scriptContext, info[5], &paletteCount)) return;
    }

    if (index < 0) return;
    if (width < 1 || width > kMaxSide || height < 1 || height > kMaxSide) return;
    if (std::int64_t{width} * height >= kAreaLimit) return;

    OwnedBlock<BITMAPINFO> image = NewBlankImage(width, height, indexColor);
    if (!image) return;
    OwnedBlock<BITMAPINFO> plane;
    if (alpha) {
        plane = NewOpaquePlane(width, height, indexColor);
        if (!plane) return;
    }

    // Everything that can fail comes before the record changes: blocks the
    // context does not take (no memory, no budget left) are released on the
    // way out, and an existing record keeps its bitmaps.
    BITMAPINFO* imageBlock = image.get();
    BITMAPINFO* planeBlock = plane.get();
    if (!AdoptBlocks(context, image, plane)) return;
    TV7LayerData& record = context->v7ResultLayers[index];
    record.context = context;
    if (record.name) record.name->clear();
    record.image = imageBlock;
    record.alpha = planeBlock;
    ReturnLayer(info, context, &record);
}

}  // namespace provided_functions

Local<v8::FunctionTemplate> NewImageClass(Isolate* isolate) {
    using namespace provided_functions;
    static const AccessorDef kAccessors[] = {
        {"FileName", GuardedGetter<Image_GetMember>, nullptr, kFileName},
        {"HostName", GuardedGetter<Image_GetMember>, nullptr, kHostName},
        {"LayerCount", GuardedGetter<Image_GetMember>, nullptr, kLayerCount},
        {"ActiveLayer", GuardedGetter<Image_GetMember>, nullptr, kActiveLayer},
    };
    static const MethodDef kMethods[] = {
        {"GetInLayer", Guarded<Image_GetInLayer>},
        {"CreateOutLayer", Guarded<Image_CreateOutLayer>},
        {"CreateCopyLayer", Guarded<Image_CreateCopyLayer>},
    };
    return BuildClass(isolate, MakeClassDef("Image", 1, kAccessors, kMethods));
}

bool NewImageObject(Local<v8::Context> context, TJSFilterContext* filter, Local<Object>* out) {
    Local<Object> image;
    if (!NewInstance(context, filter->imageTemplate, &image)) return false;
    image->SetAlignedPointerInInternalField(kContextField, filter);
    *out = image;
    return true;
}

}  // namespace qfjsbinding
