// The version 8 "Bitmap" class: pixels and palette of one host bitmap, and
// the bitmaps derived from it. Every member forwards to the host; the wrapper
// holds nothing but the context and the host pointer.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>

#include "engine/callback_guard.h"
#include "engine/class_builder.h"
#include "engine/image_data.h"
#include "model/model_v8/classes_v8.h"
#include "model/model_v8/color_object.h"
#include "model/model_v8/host_wrap.h"

namespace qfjsbinding {

using v8::FunctionCallbackInfo;
using v8::Isolate;
using v8::Local;
using v8::Name;
using v8::Object;
using v8::PropertyCallbackInfo;
using v8::Value;

namespace {

enum BitmapMember : int { kWidth, kHeight, kPixelType, kPaletteCount, kIsIndexColor, kHasAlpha };

// Limits a pixel position to the bitmap under the option
// "Bitmap.GetPixel.Clip": with clipping on, each coordinate moves to the
// nearest edge pixel; with it off, a position outside is rejected.
bool PositionClip(const TJSFilterContext* context, IQFBitmap* bitmap, std::int32_t& x, std::int32_t& y) {
    if (context->getPixelClip) {
        const std::int32_t width = bitmap->GetWidth();
        const std::int32_t height = bitmap->GetHeight();
        if (x < 0) x = 0;
        if (y < 0) y = 0;
        if (x >= width) x = width - 1;
        if (y >= height) y = height - 1;
        return true;
    }
    if (x < 0 || y < 0) return false;
    if (x >= bitmap->GetWidth()) return false;
    return y < bitmap->GetHeight();
}

// Reads the position arguments (x, y) and applies PositionClip. False when a
// conversion threw (exception pending) or the position is rejected; *rejected
// tells the two apart.
bool ReadPosition(const FunctionCallbackInfo<Value>& info, IQFBitmap* bitmap, std::int32_t* x, std::int32_t* y,
                  bool* rejected) {
    *rejected = false;
    Isolate* isolate = info.GetIsolate();
    if (!js::ToInt32(isolate, info[0], x) || !js::ToInt32(isolate, info[1], y)) return false;
    if (!PositionClip(ContextOf(isolate), bitmap, *x, *y)) {
        *rejected = true;
        return false;
    }
    return true;
}

template <double (IQFBitmap::*Get)(int, int)>
void GetPixelChannel(const FunctionCallbackInfo<Value>& info) {
    IQFBitmap* bitmap = HostOf<IQFBitmap>(info);
    if (!bitmap || info.Length() < 2) {
        info.GetReturnValue().SetNull();
        return;
    }
    std::int32_t x = 0;
    std::int32_t y = 0;
    bool rejected = false;
    if (!ReadPosition(info, bitmap, &x, &y, &rejected)) {
        if (rejected) info.GetReturnValue().SetNull();
        return;
    }
    info.GetReturnValue().Set((bitmap->*Get)(x, y));
}

// The palette entries one GetImageData call has read, as RGBA bytes, so each
// entry costs the host calls once however many pixels use it.
class PaletteCache {
public:
    PaletteCache(IQFBitmap* bitmap, bool alpha) : bitmap_(bitmap), alpha_(alpha) {}

    const std::array<std::uint8_t, 4>& Entry(int index) {
        if (index >= 0 && index < 256) {
            if (!known_[static_cast<std::size_t>(index)]) {
                small_[static_cast<std::size_t>(index)] = Read(index);
                known_[static_cast<std::size_t>(index)] = true;
            }
            return small_[static_cast<std::size_t>(index)];
        }
        // The host decides what an index outside 0..255 shows; it is still
        // asked only once.
        auto found = other_.find(index);
        if (found == other_.end()) found = other_.emplace(index, Read(index)).first;
        return found->second;
    }

private:
    std::array<std::uint8_t, 4> Read(int index) {
        using image_data::ClampChannel;
        return {ClampChannel(bitmap_->GetPaletteR(index)), ClampChannel(bitmap_->GetPaletteG(index)),
                ClampChannel(bitmap_->GetPaletteB(index)),
                alpha_ ? ClampChannel(bitmap_->GetPaletteA(index)) : std::uint8_t{255}};
    }

    IQFBitmap* bitmap_;
    bool alpha_;
    std::array<bool, 256> known_{};
    std::array<std::array<std::uint8_t, 4>, 256> small_{};
    std::unordered_map<int, std::array<std::uint8_t, 4>> other_;
};

// Reads `region` (inside the bitmap) into RGBA bytes, rows top to bottom,
// through the host's per-pixel interface.
void ReadRegion(IQFBitmap* bitmap, const image_data::Region& region, bool indexColor, bool alpha,
                std::uint8_t* out) {
    using image_data::RoundChannel;
    const int right = region.x + region.width;
    const int bottom = region.y + region.height;
    if (indexColor) {
        PaletteCache palette(bitmap, alpha);
        for (int y = region.y; y < bottom; ++y) {
            for (int x = region.x; x < right; ++x, out += 4) {
                const std::array<std::uint8_t, 4>& entry = palette.Entry(bitmap->GetPixelI(x, y));
                out[0] = entry[0];
                out[1] = entry[1];
                out[2] = entry[2];
                out[3] = entry[3];
            }
        }
        return;
    }
    for (int y = region.y; y < bottom; ++y) {
        for (int x = region.x; x < right; ++x, out += 4) {
            out[0] = RoundChannel(bitmap->GetPixelR(x, y));
            out[1] = RoundChannel(bitmap->GetPixelG(x, y));
            out[2] = RoundChannel(bitmap->GetPixelB(x, y));
            out[3] = alpha ? RoundChannel(bitmap->GetPixelA(x, y)) : 255;
        }
    }
}

}  // namespace

void Bitmap_GetMember(Local<Name>, const PropertyCallbackInfo<Value>& info) {
    IQFBitmap* bitmap = HostOf<IQFBitmap>(info);
    if (!bitmap) {
        info.GetReturnValue().SetNull();
        return;
    }
    switch (MemberOf(info.Data())) {
        case kWidth:
            info.GetReturnValue().Set(bitmap->GetWidth());
            return;
        case kHeight:
            info.GetReturnValue().Set(bitmap->GetHeight());
            return;
        case kPixelType: {
            Local<v8::String> text;
            if (js::NewHostString(info.GetIsolate(), bitmap->GetPixelType(), &text)) info.GetReturnValue().Set(text);
            return;
        }
        case kPaletteCount:
            info.GetReturnValue().Set(bitmap->GetPaletteCount());
            return;
        case kIsIndexColor:
            info.GetReturnValue().Set(bitmap->IsIndexColor());
            return;
        case kHasAlpha:
            info.GetReturnValue().Set(bitmap->HasAlpha());
            return;
    }
}

void Bitmap_SetMember(Local<Name>, Local<Value> value, const PropertyCallbackInfo<void>& info) {
    IQFBitmap* bitmap = HostOf<IQFBitmap>(info);
    if (!bitmap) return;
    Isolate* isolate = info.GetIsolate();
    switch (MemberOf(info.Data())) {
        case kPaletteCount: {
            std::int32_t count = 0;
            if (!js::ToInt32(isolate->GetCurrentContext(), value, &count)) return;
            bitmap->SetPaletteCount(count);
            return;
        }
        case kIsIndexColor:
            bitmap->SetIndexColor(js::ToBool(isolate, value));
            return;
        case kHasAlpha:
            bitmap->SetHasAlpha(js::ToBool(isolate, value));
            return;
        default:
            return;
    }
}

void Bitmap_Equals(const FunctionCallbackInfo<Value>& info) {
    CommonEquals<IQFBitmap>(info, ContextOf(info.GetIsolate())->bitmapTemplate);
}

void Bitmap_Jsonize(const FunctionCallbackInfo<Value>& info) {
    CommonJsonize<IQFBitmap>(info);
}

void Bitmap_Duplicate(const FunctionCallbackInfo<Value>& info) {
    IQFBitmap* bitmap = HostOf<IQFBitmap>(info);
    if (!bitmap) {
        info.GetReturnValue().SetNull();
        return;
    }
    ReturnWrapperOrNull(info, ContextOf(info.GetIsolate())->bitmapTemplate, bitmap->Duplicate());
}

void Bitmap_GetPixel(const FunctionCallbackInfo<Value>& info) {
    IQFBitmap* bitmap = HostOf<IQFBitmap>(info);
    if (!bitmap || info.Length() < 2) {
        info.GetReturnValue().SetNull();
        return;
    }
    std::int32_t x = 0;
    std::int32_t y = 0;
    bool rejected = false;
    if (!ReadPosition(info, bitmap, &x, &y, &rejected)) {
        if (rejected) info.GetReturnValue().SetNull();
        return;
    }
    Isolate* isolate = info.GetIsolate();
    Local<Object> color;
    if (!NewPixelColorObject(isolate->GetCurrentContext(), ContextOf(isolate), bitmap, x, y, &color)) return;
    info.GetReturnValue().Set(color);
}

void Bitmap_GetPaletteEntry(const FunctionCallbackInfo<Value>& info) {
    IQFBitmap* bitmap = HostOf<IQFBitmap>(info);
    if (!bitmap || info.Length() < 1) {
        info.GetReturnValue().SetNull();
        return;
    }
    Isolate* isolate = info.GetIsolate();
    Local<v8::Context> context = isolate->GetCurrentContext();
    std::int32_t index = 0;
    if (!js::ToInt32(context, info[0], &index)) return;
    Local<Object> color;
    if (!NewPaletteColorObject(context, ContextOf(isolate), bitmap, index, &color)) return;
    info.GetReturnValue().Set(color);
}

void Bitmap_SetPaletteEntry(const FunctionCallbackInfo<Value>& info) {
    IQFBitmap* bitmap = HostOf<IQFBitmap>(info);
    // The index-colour test comes first, before any argument is looked at.
    if (!bitmap || !bitmap->IsIndexColor() || info.Length() < 4) {
        info.GetReturnValue().Set(false);
        return;
    }
    Local<v8::Context> context = info.GetIsolate()->GetCurrentContext();
    std::int32_t index = 0, r = 0, g = 0, b = 0;
    if (!js::ToInt32(context, info[0], &index) || !js::ToInt32(context, info[1], &r) ||
        !js::ToInt32(context, info[2], &g) || !js::ToInt32(context, info[3], &b)) {
        return;
    }
    std::int32_t a = 0;
    const bool hasAlpha = info.Length() >= 5;
    if (hasAlpha && !js::ToInt32(context, info[4], &a)) return;
    bitmap->SetPaletteR(index, r);
    bitmap->SetPaletteG(index, g);
    bitmap->SetPaletteB(index, b);
    if (hasAlpha) bitmap->SetPaletteA(index, a);
    info.GetReturnValue().Set(true);
}

void Bitmap_SetPixel(const FunctionCallbackInfo<Value>& info) {
    IQFBitmap* bitmap = HostOf<IQFBitmap>(info);
    const int count = info.Length();
    if (!bitmap || count < 3) {
        info.GetReturnValue().Set(false);
        return;
    }
    std::int32_t x = 0;
    std::int32_t y = 0;
    bool rejected = false;
    if (!ReadPosition(info, bitmap, &x, &y, &rejected)) {
        if (rejected) info.GetReturnValue().Set(false);
        return;
    }
    Isolate* isolate = info.GetIsolate();
    if (count == 3) {
        std::int32_t index = 0;
        if (!js::ToInt32(isolate, info[2], &index)) return;
        bitmap->SetPixel(x, y, nullptr, nullptr, nullptr, nullptr, &index);
    } else if (count == 5 || count == 6) {
        double r = 0, g = 0, b = 0, a = 0;
        if (!js::ToNumber(isolate, info[2], &r) || !js::ToNumber(isolate, info[3], &g) ||
            !js::ToNumber(isolate, info[4], &b)) {
            return;
        }
        if (count == 6 && !js::ToNumber(isolate, info[5], &a)) return;
        bitmap->SetPixel(x, y, &r, &g, &b, count == 6 ? &a : nullptr, nullptr);
    } else {
        info.GetReturnValue().Set(false);
        return;
    }
    info.GetReturnValue().Set(true);
}

void Bitmap_GetPixelR(const FunctionCallbackInfo<Value>& info) {
    GetPixelChannel<&IQFBitmap::GetPixelR>(info);
}
void Bitmap_GetPixelG(const FunctionCallbackInfo<Value>& info) {
    GetPixelChannel<&IQFBitmap::GetPixelG>(info);
}
void Bitmap_GetPixelB(const FunctionCallbackInfo<Value>& info) {
    GetPixelChannel<&IQFBitmap::GetPixelB>(info);
}
void Bitmap_GetPixelA(const FunctionCallbackInfo<Value>& info) {
    GetPixelChannel<&IQFBitmap::GetPixelA>(info);
}

void Bitmap_GetPixelI(const FunctionCallbackInfo<Value>& info) {
    IQFBitmap* bitmap = HostOf<IQFBitmap>(info);
    // Only index-colour bitmaps have pixel indices; tested before anything else.
    if (!bitmap || !bitmap->IsIndexColor() || info.Length() < 2) {
        info.GetReturnValue().SetNull();
        return;
    }
    std::int32_t x = 0;
    std::int32_t y = 0;
    bool rejected = false;
    if (!ReadPosition(info, bitmap, &x, &y, &rejected)) {
        if (rejected) info.GetReturnValue().SetNull();
        return;
    }
    info.GetReturnValue().Set(bitmap->GetPixelI(x, y));
}

void Bitmap_Overlay(const FunctionCallbackInfo<Value>& info) {
    IQFBitmap* bitmap = HostOf<IQFBitmap>(info);
    if (!bitmap || info.Length() < 3) {
        info.GetReturnValue().Set(false);
        return;
    }
    Isolate* isolate = info.GetIsolate();
    Local<v8::Context> context = isolate->GetCurrentContext();
    std::int32_t x = 0;
    std::int32_t y = 0;
    if (!js::ToInt32(context, info[1], &x) || !js::ToInt32(context, info[2], &y)) return;
    Local<Object> source;
    if (!js::ToObject(context, info[0], &source)) return;
    TJSFilterContext* filter = ContextOf(isolate);
    IQFBitmap* sourceBitmap = nullptr;
    if (IsInstance(filter->pictureTemplate, source)) {
        auto* picture = static_cast<IQFPicture*>(source->GetAlignedPointerFromInternalField(kNativeField));
        // A picture without a host object has no bitmap to give.
        sourceBitmap = picture ? picture->GetBitmap() : nullptr;
    } else if (IsInstance(filter->bitmapTemplate, source)) {
        sourceBitmap = static_cast<IQFBitmap*>(source->GetAlignedPointerFromInternalField(kNativeField));
    } else {
        info.GetReturnValue().Set(false);
        return;
    }
    bitmap->Overlay(sourceBitmap, x, y);
    info.GetReturnValue().Set(true);
}

void Bitmap_Resize(const FunctionCallbackInfo<Value>& info) {
    IQFBitmap* bitmap = HostOf<IQFBitmap>(info);
    if (!bitmap || info.Length() < 2) {
        info.GetReturnValue().SetNull();
        return;
    }
    Isolate* isolate = info.GetIsolate();
    Local<v8::Context> context = isolate->GetCurrentContext();
    std::int32_t width = 0;
    std::int32_t height = 0;
    if (!js::ToInt32(context, info[0], &width) || !js::ToInt32(context, info[1], &height)) return;
    std::string method;
    if (info.Length() >= 3 && !js::ToHostText(isolate, context, info[2], &method)) return;
    ReturnWrapperOrNull(info, ContextOf(isolate)->bitmapTemplate, bitmap->Resize(width, height, method.c_str()));
}

void Bitmap_Clip(const FunctionCallbackInfo<Value>& info) {
    IQFBitmap* bitmap = HostOf<IQFBitmap>(info);
    if (!bitmap || info.Length() < 4) {
        info.GetReturnValue().SetNull();
        return;
    }
    Local<v8::Context> context = info.GetIsolate()->GetCurrentContext();
    std::int32_t v[4] = {};
    for (int i = 0; i < 4; ++i) {
        if (!js::ToInt32(context, info[i], &v[i])) return;
    }
    ReturnWrapperOrNull(info, ContextOf(info.GetIsolate())->bitmapTemplate, bitmap->Clip(v[0], v[1], v[2], v[3]));
}

// GetImageData([x, y, width, height]): the pixels of the whole bitmap or of a
// rectangle cut to it as { width, height, data }, data RGBA bytes rows top to
// bottom. An extension of this engine. The bitmap's size and kind are asked
// once per call; the pixels through the same per-pixel host operations the
// other members use.
void Bitmap_GetImageData(const FunctionCallbackInfo<Value>& info) {
    info.GetReturnValue().SetNull();
    IQFBitmap* bitmap = HostOf<IQFBitmap>(info);
    if (!bitmap) return;
    image_data::Region region;
    bool whole = false;
    if (image_data::ReadRegionArguments(info, &region, &whole) != image_data::Outcome::kOk) return;
    const std::int32_t width = bitmap->GetWidth();
    const std::int32_t height = bitmap->GetHeight();
    if (whole) region = image_data::Region{0, 0, width, height};
    image_data::Region cut;
    if (!image_data::CutToBitmap(region, width, height, &cut)) return;
    const bool indexColor = bitmap->IsIndexColor();
    const bool alpha = bitmap->HasAlpha();

    Isolate* isolate = info.GetIsolate();
    const std::size_t length = std::size_t{4} * static_cast<std::size_t>(cut.width) * static_cast<std::size_t>(cut.height);
    Local<v8::Uint8ClampedArray> data;
    std::uint8_t* bytes = nullptr;
    if (!image_data::NewPixelArray(isolate, length, &data, &bytes)) return;
    ReadRegion(bitmap, cut, indexColor, alpha, bytes);
    Local<Object> result;
    if (!image_data::NewImageDataObject(isolate->GetCurrentContext(), cut.width, cut.height, data, &result)) return;
    info.GetReturnValue().Set(result);
}

// PutImageData(imageData [, x, y]): writes RGBA bytes back at (x, y), cut to
// the bitmap, one SetPixel per pixel (R, G, B, and A when the bitmap has
// alpha). An extension of this engine. False for an index-colour bitmap,
// whose pixels are palette indices, and for missing or malformed arguments,
// which are found before any host call.
void Bitmap_PutImageData(const FunctionCallbackInfo<Value>& info) {
    info.GetReturnValue().Set(false);
    IQFBitmap* bitmap = HostOf<IQFBitmap>(info);
    if (!bitmap) return;
    image_data::Source source;
    if (image_data::ReadSourceArguments(info, &source) != image_data::Outcome::kOk) return;
    if (bitmap->IsIndexColor()) return;
    const std::int32_t width = bitmap->GetWidth();
    const std::int32_t height = bitmap->GetHeight();
    const bool alpha = bitmap->HasAlpha();
    image_data::Region cut;
    if (image_data::CutToBitmap({source.x, source.y, source.width, source.height}, width, height, &cut)) {
        const std::size_t rowBytes = std::size_t{4} * static_cast<std::size_t>(source.width);
        for (int y = cut.y; y < cut.y + cut.height; ++y) {
            const std::uint8_t* in = source.bytes + rowBytes * static_cast<std::size_t>(y - source.y) +
                                     std::size_t{4} * static_cast<std::size_t>(cut.x - source.x);
            for (int x = cut.x; x < cut.x + cut.width; ++x, in += 4) {
                const double r = in[0], g = in[1], b = in[2], a = in[3];
                bitmap->SetPixel(x, y, &r, &g, &b, alpha ? &a : nullptr, nullptr);
            }
        }
    }
    info.GetReturnValue().Set(true);
}

Local<v8::FunctionTemplate> NewBitmapClass(Isolate* isolate) {
    static const AccessorDef kAccessors[] = {
        {"Width", GuardedGetter<Bitmap_GetMember>, nullptr, kWidth},
        {"Height", GuardedGetter<Bitmap_GetMember>, nullptr, kHeight},
        {"PixelType", GuardedGetter<Bitmap_GetMember>, nullptr, kPixelType},
        {"PaletteCount", GuardedGetter<Bitmap_GetMember>, GuardedSetter<Bitmap_SetMember>, kPaletteCount},
        {"IsIndexColor", GuardedGetter<Bitmap_GetMember>, GuardedSetter<Bitmap_SetMember>, kIsIndexColor},
        {"HasAlpha", GuardedGetter<Bitmap_GetMember>, GuardedSetter<Bitmap_SetMember>, kHasAlpha},
    };
    static const MethodDef kMethods[] = {
        {"Equals", Guarded<Bitmap_Equals>},
        {"Jsonize", Guarded<Bitmap_Jsonize>},
        {"Duplicate", Guarded<Bitmap_Duplicate>},
        {"GetPixel", Guarded<Bitmap_GetPixel>},
        {"GetPaletteEntry", Guarded<Bitmap_GetPaletteEntry>},
        {"SetPaletteEntry", Guarded<Bitmap_SetPaletteEntry>},
        {"SetPixel", Guarded<Bitmap_SetPixel>},
        {"GetPixelR", Guarded<Bitmap_GetPixelR>},
        {"GetPixelG", Guarded<Bitmap_GetPixelG>},
        {"GetPixelB", Guarded<Bitmap_GetPixelB>},
        {"GetPixelA", Guarded<Bitmap_GetPixelA>},
        {"GetPixelI", Guarded<Bitmap_GetPixelI>},
        {"Overlay", Guarded<Bitmap_Overlay>},
        {"Resize", Guarded<Bitmap_Resize>},
        {"Clip", Guarded<Bitmap_Clip>},
        // Extensions of this engine: bulk pixels in the web's ImageData shape.
        {"GetImageData", Guarded<Bitmap_GetImageData>},
        {"PutImageData", Guarded<Bitmap_PutImageData>},
    };
    return BuildClass(isolate, MakeClassDef("Bitmap", 2, kAccessors, kMethods));
}

}  // namespace qfjsbinding
