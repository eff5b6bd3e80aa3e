// The version 7 "Layer" class: one TV7LayerData record, an input layer
// fetched from the host or a result layer, with its bitmaps.
//
// Coordinates count from the top-left corner; the bitmaps store the bottom
// row first, so row y lives at stride * (height - 1 - y). Layer objects are
// only made on records whose image is set, and a record never loses its
// image afterwards; the members still test it rather than trust that.
//
// Internal fields: 0 the filter context, 1 the TV7LayerData record.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "engine/callback_guard.h"
#include "engine/class_builder.h"
#include "engine/filter_context.h"
#include "engine/image_data.h"
#include "engine/js_convert.h"
#include "engine/wrapper.h"
#include "libzkimg/core/src/dib.h"
#include "model/model_v7/classes_v7.h"
#include "model/model_v7/engine_blocks.h"

namespace qfjsbinding {

using v8::FunctionCallbackInfo;
using v8::Int32;
using v8::Isolate;
using v8::Local;
using v8::Name;
using v8::Object;
using v8::PropertyCallbackInfo;
using v8::String;
using v8::Value;

namespace {

// The read-only members share one getter, dispatching on these.
enum LayerMember : int {
    kWidth,
    kHeight,
    kIndexColor,
    kAlpha,
    kSelectX,
    kSelectY,
    kSelectWidth,
    kSelectHeight,
    kActiveColor,
};

template <typename Info>
TV7LayerData* RecordOf(const Info& info) {
    return static_cast<TV7LayerData*>(HolderNative(info));
}

// Int32 of a script value; false when its conversion threw. The script
// context is only fetched when the value is not already a small integer.
bool ToInt32(Isolate* isolate, Local<Value> value, std::int32_t* out) {
    if (value->IsInt32()) {
        *out = value.As<Int32>()->Value();
        return true;
    }
    return js::ToInt32(isolate->GetCurrentContext(), value, out);
}

// A copy of an index-colour image with an n-entry colour table: the entries
// both tables have are copied whole, further ones stay black, and every pixel
// value the new table does not cover becomes its last entry. Empty when the
// block cannot be allocated.
OwnedBlock<BITMAPINFO> WithTableSize(const BITMAPINFO* image, int n) {
    const int width = image->bmiHeader.biWidth;
    const int height = image->bmiHeader.biHeight;
    OwnedBlock<BITMAPINFO> resized(zkiDIBAlloc(width, height, 8, n));
    if (!resized || width <= 0 || height <= 0) return resized;

    const int common = std::min(zkiDIBPaletteCount(image), zkiDIBPaletteCount(resized.get()));
    std::memcpy(zkiDIBPalette(resized.get()), zkiDIBPalette(image), sizeof(RGBQUAD) * static_cast<std::size_t>(common));

    const std::size_t fromStride = static_cast<std::size_t>(zkiDIBWidthBytes(image));
    const std::size_t toStride = static_cast<std::size_t>(zkiDIBWidthBytes(resized.get()));
    const std::uint8_t* from = zkiDIBBits(image);
    std::uint8_t* to = zkiDIBBits(resized.get());
    const auto last = static_cast<std::uint8_t>(n - 1);
    for (int row = 0; row < height; ++row) {
        const std::uint8_t* src = from + fromStride * static_cast<std::size_t>(row);
        std::uint8_t* dst = to + toStride * static_cast<std::size_t>(row);
        for (int x = 0; x < width; ++x) dst[x] = src[x] < n ? src[x] : last;
    }
    return resized;
}

// Row y (0 at the top) of a bitmap whose stride and height are known good.
std::uint8_t* RowOf(const BITMAPINFO* dib, std::size_t stride, int y) {
    return zkiDIBBits(dib) + stride * static_cast<std::size_t>(dib->bmiHeader.biHeight - 1 - y);
}

// The part of a direct-colour image's alpha plane that exists for image row
// y: the plane's pixels of that row, and how many of them there are (0 when
// the plane does not reach the row). The plane shares the image's rows,
// counted from the bottom; a host plane smaller than its image covers only
// part of it, and what it does not cover has no alpha, as for a Pixel.
struct PlaneRow {
    std::uint8_t* bytes = nullptr;
    int width = 0;
};

PlaneRow PlaneRowOf(const BITMAPINFO* plane, int imageHeight, int y) {
    PlaneRow row;
    const int stride = zkiDIBWidthBytes(plane);
    const int fromBottom = imageHeight - 1 - y;
    if (stride <= 0 || fromBottom >= plane->bmiHeader.biHeight) return row;
    row.bytes = zkiDIBBits(plane) + static_cast<std::size_t>(stride) * static_cast<std::size_t>(fromBottom);
    // One byte per pixel, and never past the row's bytes.
    row.width = std::min(plane->bmiHeader.biWidth, stride);
    return row;
}

// The RGBA bytes of every possible pixel value of an index-colour image: the
// colour-table entry (0, 0, 0 beyond the table) and its alpha from the alpha
// plane's table (green; 0 beyond that table; 255 without a plane), as a
// Pixel reads them.
std::array<std::uint8_t, 4 * 256> IndexColors(const BITMAPINFO* image, const BITMAPINFO* plane) {
    std::array<std::uint8_t, 4 * 256> colors{};
    const int entries = zkiDIBPaletteCount(image);
    const RGBQUAD* table = zkiDIBPalette(image);
    const int alphaEntries = plane ? zkiDIBPaletteCount(plane) : 0;
    const RGBQUAD* alphaTable = plane ? zkiDIBPalette(plane) : nullptr;
    for (int i = 0; i < 256; ++i) {
        std::uint8_t* c = &colors[4 * static_cast<std::size_t>(i)];
        if (i < entries) {
            c[0] = table[i].rgbRed;
            c[1] = table[i].rgbGreen;
            c[2] = table[i].rgbBlue;
        }
        c[3] = !plane ? 255 : i < alphaEntries ? alphaTable[i].rgbGreen : 0;
    }
    return colors;
}

// Copies `region` (inside the image) into RGBA bytes, rows top to bottom.
// A 24-bit image is direct colour; any other is read one byte per pixel as
// an index, the way Layer.PixelAt treats it.
void ReadLayerRegion(const TV7LayerData* record, const image_data::Region& region, std::uint8_t* out) {
    const BITMAPINFO* image = record->image;
    const BITMAPINFO* plane = record->alpha;
    const std::size_t stride = static_cast<std::size_t>(zkiDIBWidthBytes(image));
    const int height = image->bmiHeader.biHeight;
    const int right = region.x + region.width;
    if (image->bmiHeader.biBitCount != 24) {
        const std::array<std::uint8_t, 4 * 256> colors = IndexColors(image, plane);
        for (int y = region.y; y < region.y + region.height; ++y) {
            const std::uint8_t* in = RowOf(image, stride, y) + region.x;
            for (int x = region.x; x < right; ++x, out += 4) {
                std::memcpy(out, &colors[4 * static_cast<std::size_t>(*in++)], 4);
            }
        }
        return;
    }
    for (int y = region.y; y < region.y + region.height; ++y) {
        const std::uint8_t* in = RowOf(image, stride, y) + 3 * static_cast<std::size_t>(region.x);
        const PlaneRow alpha = plane ? PlaneRowOf(plane, height, y) : PlaneRow();
        for (int x = region.x; x < right; ++x, in += 3, out += 4) {
            out[0] = in[2];
            out[1] = in[1];
            out[2] = in[0];
            out[3] = x < alpha.width ? alpha.bytes[x] : 255;
        }
    }
}

// Copies RGBA bytes into `region` (inside the 24-bit image): red, green and
// blue into the pixels, alpha into the alpha plane where there is one.
void WriteLayerRegion(TV7LayerData* record, const image_data::Source& source, const image_data::Region& region) {
    BITMAPINFO* image = record->image;
    const BITMAPINFO* plane = record->alpha;
    const std::size_t stride = static_cast<std::size_t>(zkiDIBWidthBytes(image));
    const int height = image->bmiHeader.biHeight;
    const std::size_t sourceRow = 4 * static_cast<std::size_t>(source.width);
    const int right = region.x + region.width;
    for (int y = region.y; y < region.y + region.height; ++y) {
        const std::uint8_t* rowStart = source.bytes + sourceRow * static_cast<std::size_t>(y - source.y) +
                                       4 * static_cast<std::size_t>(region.x - source.x);
        const std::uint8_t* in = rowStart;
        std::uint8_t* pixel = RowOf(image, stride, y) + 3 * static_cast<std::size_t>(region.x);
        for (int x = region.x; x < right; ++x, in += 4, pixel += 3) {
            pixel[0] = in[2];
            pixel[1] = in[1];
            pixel[2] = in[0];
        }
        if (!plane) continue;
        const PlaneRow alpha = PlaneRowOf(plane, height, y);
        const int alphaRight = std::min(right, alpha.width);
        in = rowStart;
        for (int x = region.x; x < alphaRight; ++x, in += 4) alpha.bytes[x] = in[3];
    }
}

}  // namespace

namespace provided_functions {

void Layer_GetMember(Local<Name>, const PropertyCallbackInfo<Value>& info) {
    TV7LayerData* record = RecordOf(info);
    const BITMAPINFO* image = record ? record->image : nullptr;
    if (!image) {
        info.GetReturnValue().SetNull();
        return;
    }
    const BITMAPINFOHEADER& header = image->bmiHeader;
    const std::optional<RECT>& selection = record->selection();
    switch (static_cast<LayerMember>(MemberOf(info.Data()))) {
        case kWidth:
            info.GetReturnValue().Set(header.biWidth);
            return;
        case kHeight:
            info.GetReturnValue().Set(header.biHeight);
            return;
        case kIndexColor:
            info.GetReturnValue().Set(zkiDIBIsIndexColor(image));
            return;
        case kAlpha:
            info.GetReturnValue().Set(record->alpha != nullptr);
            return;
        case kSelectX:
            info.GetReturnValue().Set(selection ? selection->left : 0);
            return;
        case kSelectY:
            info.GetReturnValue().Set(selection ? selection->top : 0);
            return;
        case kSelectWidth:
            // Widened: a rectangle may span more than an int32 can hold.
            info.GetReturnValue().Set(
                selection ? static_cast<double>(std::int64_t{selection->right} - selection->left)
                          : static_cast<double>(header.biWidth));
            return;
        case kSelectHeight:
            info.GetReturnValue().Set(
                selection ? static_cast<double>(std::int64_t{selection->bottom} - selection->top)
                          : static_cast<double>(header.biHeight));
            return;
        case kActiveColor: {
            info.GetReturnValue().SetNull();
            Isolate* isolate = info.GetIsolate();
            Local<Object> color;
            if (NewV7ColorObject(isolate->GetCurrentContext(), ContextOf(isolate), record, &color)) {
                info.GetReturnValue().Set(color);
            }
            return;
        }
    }
}

void Layer_GetX(Local<Name>, const PropertyCallbackInfo<Value>& info) {
    const TV7LayerData* record = RecordOf(info);
    info.GetReturnValue().Set(record && record->posX ? *record->posX : 0);
}

void Layer_SetX(Local<Name>, Local<Value> value, const PropertyCallbackInfo<void>& info) {
    std::int32_t x;
    if (!ToInt32(info.GetIsolate(), value, &x)) return;
    if (TV7LayerData* record = RecordOf(info)) record->posX = x;
}

void Layer_GetY(Local<Name>, const PropertyCallbackInfo<Value>& info) {
    const TV7LayerData* record = RecordOf(info);
    info.GetReturnValue().Set(record && record->posY ? *record->posY : 0);
}

void Layer_SetY(Local<Name>, Local<Value> value, const PropertyCallbackInfo<void>& info) {
    std::int32_t y;
    if (!ToInt32(info.GetIsolate(), value, &y)) return;
    if (TV7LayerData* record = RecordOf(info)) record->posY = y;
}

void Layer_GetHidden(Local<Name>, const PropertyCallbackInfo<Value>& info) {
    const TV7LayerData* record = RecordOf(info);
    info.GetReturnValue().Set(record && record->hidden ? *record->hidden : false);
}

void Layer_SetHidden(Local<Name>, Local<Value> value, const PropertyCallbackInfo<void>& info) {
    const bool hidden = js::ToBool(info.GetIsolate(), value);
    if (TV7LayerData* record = RecordOf(info)) record->hidden = hidden;
}

// Kept as the unsigned pattern of the script's Int32 and read back signed:
// -1 reads -1 and is reported to the host as 4294967295.
void Layer_GetOpacity(Local<Name>, const PropertyCallbackInfo<Value>& info) {
    const TV7LayerData* record = RecordOf(info);
    info.GetReturnValue().Set(record && record->opacity ? static_cast<std::int32_t>(*record->opacity) : 100);
}

void Layer_SetOpacity(Local<Name>, Local<Value> value, const PropertyCallbackInfo<void>& info) {
    std::int32_t opacity;
    if (!ToInt32(info.GetIsolate(), value, &opacity)) return;
    if (TV7LayerData* record = RecordOf(info)) record->opacity = static_cast<std::uint32_t>(opacity);
}

void Layer_GetName(Local<Name>, const PropertyCallbackInfo<Value>& info) {
    const TV7LayerData* record = RecordOf(info);
    Local<String> name;
    if (!js::NewString(info.GetIsolate(), record && record->name ? *record->name : std::string(), &name)) return;
    info.GetReturnValue().Set(name);
}

void Layer_SetName(Local<Name>, Local<Value> value, const PropertyCallbackInfo<void>& info) {
    Isolate* isolate = info.GetIsolate();
    std::string name;
    if (!js::ToUtf8(isolate, isolate->GetCurrentContext(), value, &name)) return;
    TV7LayerData* record = RecordOf(info);
    // Names stay with the context like its bitmaps; a replaced name is not
    // given back to the budget.
    if (record && ChargeV7Memory(ContextOf(isolate), name.size())) record->name = std::move(name);
}

void Layer_GetPaletteEntryCount(Local<Name>, const PropertyCallbackInfo<Value>& info) {
    const TV7LayerData* record = RecordOf(info);
    const BITMAPINFO* image = record ? record->image : nullptr;
    if (!zkiDIBIsIndexColor(image)) {
        info.GetReturnValue().SetNull();
        return;
    }
    info.GetReturnValue().Set(zkiDIBPaletteCount(image));
}

// Replaces an index-colour image by a copy with 2 to 256 table entries. The
// previous image is not released: it is the host's, or already an engine
// block; Pixel objects made before keep addressing it.
void Layer_SetPaletteEntryCount(Local<Name>, Local<Value> value, const PropertyCallbackInfo<void>& info) {
    TV7LayerData* record = RecordOf(info);
    if (!record || !zkiDIBIsIndexColor(record->image)) return;
    std::int32_t n;
    if (!ToInt32(info.GetIsolate(), value, &n)) return;
    n = std::clamp(n, 2, 256);
    // The conversion may have run script code that changed the layer.
    if (!zkiDIBIsIndexColor(record->image)) return;
    OwnedBlock<BITMAPINFO> resized = WithTableSize(record->image, n);
    if (!resized) return;
    BITMAPINFO* image = resized.get();
    if (!AdoptBlocks(ContextOf(info.GetIsolate()), resized)) return;
    record->image = image;
}

void Layer_PixelAt(const FunctionCallbackInfo<Value>& info) {
    if (info.Length() < 2) {
        info.GetReturnValue().SetNull();
        return;
    }
    Isolate* isolate = info.GetIsolate();
    Local<v8::Context> context = isolate->GetCurrentContext();
    std::int32_t x;
    std::int32_t y;
    if (!js::ToInt32(context, info[0], &x) || !js::ToInt32(context, info[1], &y)) return;

    // The receiver signature guarantees a Layer holder; this path runs once
    // per pixel, so its fields are read without asking again.
    auto* record = static_cast<TV7LayerData*>(info.Holder()->GetAlignedPointerFromInternalField(kNativeField));
    const BITMAPINFO* image = record ? record->image : nullptr;
    const int stride = zkiDIBWidthBytes(image);
    if (stride <= 0 || image->bmiHeader.biHeight <= 0) {
        info.GetReturnValue().SetNull();
        return;
    }
    const int width = image->bmiHeader.biWidth;
    const int height = image->bmiHeader.biHeight;
    x = std::clamp(x, 0, width - 1);
    y = std::clamp(y, 0, height - 1);
    std::uint8_t* row = zkiDIBBits(image) + static_cast<std::size_t>(stride) * static_cast<std::size_t>(height - 1 - y);

    PixelAddress where;
    where.record = record;
    where.bitCount = image->bmiHeader.biBitCount;
    const BITMAPINFO* plane = record->alpha;
    if (where.bitCount == 24) {
        where.pixel = row + 3 * static_cast<std::size_t>(x);
        // The plane shares the image's rows; one that does not cover this
        // pixel (a host plane smaller than its image) gives it no alpha
        // rather than an address outside the plane.
        const int planeRow = height - 1 - y;
        if (plane && x < plane->bmiHeader.biWidth && planeRow < plane->bmiHeader.biHeight) {
            where.alpha = zkiDIBBits(plane) +
                          static_cast<std::size_t>(zkiDIBWidthBytes(plane)) * static_cast<std::size_t>(planeRow) +
                          static_cast<std::size_t>(x);
        }
    } else {
        where.pixel = row + x;
        where.table = zkiDIBPalette(image);
        if (plane) where.alphaTable = zkiDIBPalette(plane);
    }

    Local<Object> pixel;
    if (!NewPixelObject(context, ContextOf(isolate), where, &pixel)) return;
    info.GetReturnValue().Set(pixel);
}

void Layer_IsSelected(const FunctionCallbackInfo<Value>& info) {
    if (info.Length() < 2) {
        info.GetReturnValue().Set(false);
        return;
    }
    Isolate* isolate = info.GetIsolate();
    std::int32_t x;
    std::int32_t y;
    if (!ToInt32(isolate, info[0], &x) || !ToInt32(isolate, info[1], &y)) return;
    const TV7LayerData* record = RecordOf(info);
    const std::optional<RECT>& selection = record ? record->selection() : std::optional<RECT>();
    if (!selection) {
        info.GetReturnValue().Set(true);
        return;
    }
    info.GetReturnValue().Set(selection->left <= x && x < selection->right && selection->top <= y &&
                              y < selection->bottom);
}

void Layer_GetPaletteEntry(const FunctionCallbackInfo<Value>& info) {
    info.GetReturnValue().SetNull();
    TV7LayerData* record = RecordOf(info);
    if (info.Length() < 1 || !record || !zkiDIBIsIndexColor(record->image)) return;
    Isolate* isolate = info.GetIsolate();
    std::int32_t index;
    if (!ToInt32(isolate, info[0], &index)) return;
    // The conversion may have run script code that changed the layer.
    if (!zkiDIBIsIndexColor(record->image)) return;
    const int size = zkiDIBPaletteCount(record->image);
    if (index < 0) index = 0;
    if (index >= size) index = size - 1;
    if (index > 255) index = 255;

    Local<Object> entry;
    if (NewPaletteEntryObject(isolate->GetCurrentContext(), ContextOf(isolate), record, index, &entry)) {
        info.GetReturnValue().Set(entry);
    }
}

// GetImageData([x, y, width, height]): the pixels of the whole layer or of a
// rectangle cut to it as { width, height, data }, data RGBA bytes rows top to
// bottom, copied straight from the bitmaps. An extension of this engine.
void Layer_GetImageData(const FunctionCallbackInfo<Value>& info) {
    info.GetReturnValue().SetNull();
    image_data::Region region;
    bool whole = false;
    if (image_data::ReadRegionArguments(info, &region, &whole) != image_data::Outcome::kOk) return;
    // Looked at only now: a conversion may have run script code that gave
    // the layer another image.
    const TV7LayerData* record = RecordOf(info);
    const BITMAPINFO* image = record ? record->image : nullptr;
    if (zkiDIBWidthBytes(image) <= 0 || image->bmiHeader.biHeight <= 0) return;
    const int width = image->bmiHeader.biWidth;
    const int height = image->bmiHeader.biHeight;
    if (whole) region = image_data::Region{0, 0, width, height};
    image_data::Region cut;
    if (!image_data::CutToBitmap(region, width, height, &cut)) return;

    Isolate* isolate = info.GetIsolate();
    const std::size_t length = std::size_t{4} * static_cast<std::size_t>(cut.width) * static_cast<std::size_t>(cut.height);
    Local<v8::Uint8ClampedArray> data;
    std::uint8_t* bytes = nullptr;
    if (!image_data::NewPixelArray(isolate, length, &data, &bytes)) return;
    ReadLayerRegion(record, cut, bytes);
    Local<Object> result;
    if (!image_data::NewImageDataObject(isolate->GetCurrentContext(), cut.width, cut.height, data, &result)) return;
    info.GetReturnValue().Set(result);
}

// PutImageData(imageData [, x, y]): writes RGBA bytes into the layer at
// (x, y), cut to it: red, green and blue into the 24-bit pixels, alpha into
// the alpha plane when the layer has one. An extension of this engine. False
// for an index-colour layer (its pixels are colour-table indices) and for
// missing or malformed arguments.
void Layer_PutImageData(const FunctionCallbackInfo<Value>& info) {
    info.GetReturnValue().Set(false);
    image_data::Source source;
    if (image_data::ReadSourceArguments(info, &source) != image_data::Outcome::kOk) return;
    TV7LayerData* record = RecordOf(info);
    const BITMAPINFO* image = record ? record->image : nullptr;
    if (zkiDIBWidthBytes(image) <= 0 || image->bmiHeader.biHeight <= 0) return;
    if (image->bmiHeader.biBitCount != 24) return;
    image_data::Region cut;
    if (image_data::CutToBitmap({source.x, source.y, source.width, source.height}, image->bmiHeader.biWidth,
                                image->bmiHeader.biHeight, &cut)) {
        WriteLayerRegion(record, source, cut);
    }
    info.GetReturnValue().Set(true);
}

}  // namespace provided_functions

Local<v8::FunctionTemplate> NewV7LayerClass(Isolate* isolate) {
    using namespace provided_functions;
    static const AccessorDef kAccessors[] = {
        {"Width", GuardedGetter<Layer_GetMember>, nullptr, kWidth},
        {"Height", GuardedGetter<Layer_GetMember>, nullptr, kHeight},
        {"IndexColor", GuardedGetter<Layer_GetMember>, nullptr, kIndexColor},
        {"Alpha", GuardedGetter<Layer_GetMember>, nullptr, kAlpha},
        {"SelectX", GuardedGetter<Layer_GetMember>, nullptr, kSelectX},
        {"SelectY", GuardedGetter<Layer_GetMember>, nullptr, kSelectY},
        {"SelectWidth", GuardedGetter<Layer_GetMember>, nullptr, kSelectWidth},
        {"SelectHeight", GuardedGetter<Layer_GetMember>, nullptr, kSelectHeight},
        {"X", GuardedGetter<Layer_GetX>, GuardedSetter<Layer_SetX>, 0},
        {"Y", GuardedGetter<Layer_GetY>, GuardedSetter<Layer_SetY>, 0},
        {"Hidden", GuardedGetter<Layer_GetHidden>, GuardedSetter<Layer_SetHidden>, 0},
        {"Opacity", GuardedGetter<Layer_GetOpacity>, GuardedSetter<Layer_SetOpacity>, 0},
        {"Name", GuardedGetter<Layer_GetName>, GuardedSetter<Layer_SetName>, 0},
        {"PaletteEntryCount", GuardedGetter<Layer_GetPaletteEntryCount>, GuardedSetter<Layer_SetPaletteEntryCount>, 0},
        {"ActiveColor", GuardedGetter<Layer_GetMember>, nullptr, kActiveColor},
    };
    static const MethodDef kMethods[] = {
        {"PixelAt", Guarded<Layer_PixelAt>},
        {"IsSelected", Guarded<Layer_IsSelected>},
        {"GetPaletteEntry", Guarded<Layer_GetPaletteEntry>},
        // Extensions of this engine: bulk pixels in the web's ImageData shape.
        {"GetImageData", Guarded<Layer_GetImageData>},
        {"PutImageData", Guarded<Layer_PutImageData>},
    };
    return BuildClass(isolate, MakeClassDef("Layer", 2, kAccessors, kMethods));
}

bool NewV7LayerObject(Local<v8::Context> context, TJSFilterContext* filter, TV7LayerData* record,
                      Local<Object>* out) {
    return NewWrapper(context, filter->v7LayerTemplate, filter, record, out);
}

}  // namespace qfjsbinding
