// The version 7 "Pixel" class: one pixel of a layer, read and written in
// place.
//
// Scripts that touch every pixel make one Pixel per pixel, so making one and
// using its channels is kept to the minimum: Layer.PixelAt stores the
// addresses once, and every channel accessor reads them from the object and
// goes straight to the bytes, without looking at the layer record, the bitmap
// header or any name.
//
// Internal fields:
//   0 the filter context and 1 the layer record (aligned pointers);
//   2 the image's bit count (a small integer);
//   3 the pixel; 4 its alpha byte in a direct-colour layer's alpha plane, or
//   null; 5 the image's colour table and 6 the alpha plane's colour table for
//   an index-colour pixel, or null.
// A direct-colour pixel leaves fields 2, 5 and 6 unwritten (see
// NewPixelObject); every member tests the kind in field 3 before it reads
// them.
// Fields 3 to 6 are byte addresses, which need not be 2-byte aligned as an
// aligned-pointer field demands. Fields 4 to 6 are stored shifted left by
// one bit (user-space addresses leave the top bits free) and shifted back
// when read. Field 3 is shifted left by two bits and carries, in bit 1, the
// pixel's kind (set for index colour, that is a bit count other than 24), so
// a colour channel of a direct-colour pixel costs one field read.
//
// The members read the holder's fields without asking the class first: the
// accessors live on the instance template and SetRGBA carries a receiver
// signature, so the engine only ever hands them a Pixel, and Pixels are only
// made by NewPixelObject (the class refuses `new`).
#include <cstdint>

#include "engine/callback_guard.h"
#include "engine/class_builder.h"
#include "engine/filter_context.h"
#include "engine/js_convert.h"
#include "engine/wrapper.h"
#include "libzkimg/core/src/dib.h"
#include "model/model_v7/classes_v7.h"

namespace qfjsbinding {

using v8::FunctionCallbackInfo;
using v8::Int32;
using v8::Integer;
using v8::Isolate;
using v8::Local;
using v8::Name;
using v8::Object;
using v8::PropertyCallbackInfo;
using v8::Value;

namespace {

enum PixelField : int {
    kBitCountField = 2,
    kPixelField = 3,
    kAlphaField = 4,
    kTableField = 5,
    kAlphaTableField = 6,
    kPixelFieldCount = 7,
};

// Byte offsets of the channels in a 24-bit pixel and in a colour-table entry.
enum Channel : int { kBlue = 0, kGreen = 1, kRed = 2 };

static_assert(sizeof(std::uintptr_t) == 8, "byte addresses are stored shifted left");

constexpr std::uintptr_t kIndexFlag = 2;

void* EncodeAddress(const void* address) {
    return reinterpret_cast<void*>(reinterpret_cast<std::uintptr_t>(address) << 1);
}

std::uint8_t* AddressField(Local<Object> holder, int field) {
    return reinterpret_cast<std::uint8_t*>(
        reinterpret_cast<std::uintptr_t>(holder->GetAlignedPointerFromInternalField(field)) >> 1);
}

void* EncodePixel(const void* address, bool indexColor) {
    return reinterpret_cast<void*>((reinterpret_cast<std::uintptr_t>(address) << 2) | (indexColor ? kIndexFlag : 0));
}

// The pixel's address and kind, from field 3.
struct PixelWord {
    std::uint8_t* pixel;
    bool indexColor;

    explicit PixelWord(Local<Object> holder) {
        const auto word = reinterpret_cast<std::uintptr_t>(holder->GetAlignedPointerFromInternalField(kPixelField));
        pixel = reinterpret_cast<std::uint8_t*>(word >> 2);
        indexColor = (word & kIndexFlag) != 0;
    }
};

// A channel of colour-table entry `index`. A table is always the table of a
// whole bitmap, so its header sits just before it and tells its size; an
// index the table does not cover (a host pixel beyond a short table, a value
// written against a larger current table) reads 0 instead of what lies past
// the table.
int TableChannel(const std::uint8_t* table, unsigned index, int channel) {
    const auto* dib = reinterpret_cast<const BITMAPINFO*>(table - sizeof(BITMAPINFOHEADER));
    if (index >= static_cast<unsigned>(zkiDIBPaletteCount(dib))) return 0;
    return table[4 * index + channel];
}

// Int32 of a script value; false when its conversion threw. The script
// context is only fetched when the value is not already a small integer,
// which is what a channel write almost always gets.
bool ToInt32(Isolate* isolate, Local<Value> value, std::int32_t* out) {
    if (value->IsInt32()) {
        *out = value.As<Int32>()->Value();
        return true;
    }
    return js::ToInt32(isolate->GetCurrentContext(), value, out);
}

std::uint8_t ClampByte(std::int32_t v) {
    return static_cast<std::uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
}

std::int32_t BitCountOf(Local<Object> holder) {
    Local<Value> bits = holder->GetInternalField(kBitCountField);
    return bits->IsInt32() ? bits.As<Int32>()->Value() : 0;
}

template <int kChannel>
void GetColorChannel(const PropertyCallbackInfo<Value>& info) {
    Local<Object> holder = info.Holder();
    const PixelWord word(holder);
    if (!word.indexColor) {
        info.GetReturnValue().Set(word.pixel[kChannel]);
        return;
    }
    info.GetReturnValue().Set(TableChannel(AddressField(holder, kTableField), *word.pixel, kChannel));
}

// An index pixel's colour belongs to its colour-table entry; only direct
// colour is written here.
template <int kChannel>
void SetColorChannel(Local<Value> value, const PropertyCallbackInfo<void>& info) {
    const PixelWord word(info.Holder());
    if (word.indexColor) return;
    std::int32_t v;
    if (!ToInt32(info.GetIsolate(), value, &v)) return;
    word.pixel[kChannel] = ClampByte(v);
}

}  // namespace

namespace provided_functions {

void Pixel_GetMemberR(Local<Name>, const PropertyCallbackInfo<Value>& info) {
    GetColorChannel<kRed>(info);
}

void Pixel_GetMemberG(Local<Name>, const PropertyCallbackInfo<Value>& info) {
    GetColorChannel<kGreen>(info);
}

void Pixel_GetMemberB(Local<Name>, const PropertyCallbackInfo<Value>& info) {
    GetColorChannel<kBlue>(info);
}

void Pixel_SetMemberR(Local<Name>, Local<Value> value, const PropertyCallbackInfo<void>& info) {
    SetColorChannel<kRed>(value, info);
}

void Pixel_SetMemberG(Local<Name>, Local<Value> value, const PropertyCallbackInfo<void>& info) {
    SetColorChannel<kGreen>(value, info);
}

void Pixel_SetMemberB(Local<Name>, Local<Value> value, const PropertyCallbackInfo<void>& info) {
    SetColorChannel<kBlue>(value, info);
}

// Direct colour: the alpha plane's byte; index colour: the alpha of the
// pixel's palette entry. 255 (opaque) without an alpha plane.
void Pixel_GetMemberA(Local<Name>, const PropertyCallbackInfo<Value>& info) {
    Local<Object> holder = info.Holder();
    const PixelWord word(holder);
    if (word.indexColor) {
        const std::uint8_t* alphaTable = AddressField(holder, kAlphaTableField);
        info.GetReturnValue().Set(alphaTable ? TableChannel(alphaTable, *word.pixel, kGreen) : 255);
        return;
    }
    const std::uint8_t* alpha = AddressField(holder, kAlphaField);
    info.GetReturnValue().Set(alpha ? *alpha : 255);
}

// Only a direct-colour pixel with an alpha plane has an alpha of its own.
void Pixel_SetMemberA(Local<Name>, Local<Value> value, const PropertyCallbackInfo<void>& info) {
    Local<Object> holder = info.Holder();
    std::uint8_t* alpha = AddressField(holder, kAlphaField);
    if (!alpha) return;
    std::int32_t v;
    if (!ToInt32(info.GetIsolate(), value, &v)) return;
    *alpha = ClampByte(v);
}

void Pixel_GetMemberI(Local<Name>, const PropertyCallbackInfo<Value>& info) {
    Local<Object> holder = info.Holder();
    const PixelWord word(holder);
    info.GetReturnValue().Set(word.indexColor && BitCountOf(holder) == 8 ? *word.pixel : 0);
}

// The index is limited by the layer's current colour table (which a resize
// may have replaced since the Pixel was made).
void Pixel_SetMemberI(Local<Name>, Local<Value> value, const PropertyCallbackInfo<void>& info) {
    Local<Object> holder = info.Holder();
    const PixelWord word(holder);
    if (!word.indexColor || BitCountOf(holder) != 8) return;
    std::int32_t v;
    if (!ToInt32(info.GetIsolate(), value, &v)) return;
    const auto* record = static_cast<const TV7LayerData*>(holder->GetAlignedPointerFromInternalField(kNativeField));
    const int size = record ? zkiDIBPaletteCount(record->image) : 0;
    if (size <= 0) return;
    if (v < 0) v = 0;
    if (v >= size) v = size - 1;
    if (v > 255) v = 255;
    *word.pixel = static_cast<std::uint8_t>(v);
}

// One to four channels, each wrapped to its low eight bits (unlike the
// single-channel setters, which clamp). Only a direct-colour pixel changes.
void Pixel_SetRGBA(const FunctionCallbackInfo<Value>& info) {
    const int count = info.Length();
    if (count < 1 || count > 4) {
        info.GetReturnValue().Set(false);
        return;
    }
    Isolate* isolate = info.GetIsolate();
    std::int32_t rgba[4] = {0, 0, 0, 0};
    for (int i = 0; i < count; ++i) {
        if (!ToInt32(isolate, info[i], &rgba[i])) return;
    }
    Local<Object> holder = info.Holder();
    const PixelWord word(holder);
    if (!word.indexColor) {
        std::uint8_t* pixel = word.pixel;
        pixel[kRed] = static_cast<std::uint8_t>(rgba[0]);
        pixel[kGreen] = static_cast<std::uint8_t>(rgba[1]);
        pixel[kBlue] = static_cast<std::uint8_t>(rgba[2]);
        std::uint8_t* alpha = AddressField(holder, kAlphaField);
        if (count == 4 && alpha) *alpha = static_cast<std::uint8_t>(rgba[3]);
    }
    info.GetReturnValue().Set(true);
}

}  // namespace provided_functions

Local<v8::FunctionTemplate> NewPixelClass(Isolate* isolate) {
    using namespace provided_functions;
    static const AccessorDef kAccessors[] = {
        {"r", GuardedGetter<Pixel_GetMemberR>, GuardedSetter<Pixel_SetMemberR>, 0},
        {"g", GuardedGetter<Pixel_GetMemberG>, GuardedSetter<Pixel_SetMemberG>, 0},
        {"b", GuardedGetter<Pixel_GetMemberB>, GuardedSetter<Pixel_SetMemberB>, 0},
        {"a", GuardedGetter<Pixel_GetMemberA>, GuardedSetter<Pixel_SetMemberA>, 0},
        {"i", GuardedGetter<Pixel_GetMemberI>, GuardedSetter<Pixel_SetMemberI>, 0},
    };
    static const MethodDef kMethods[] = {{"SetRGBA", Guarded<Pixel_SetRGBA>}};
    return BuildClass(isolate, MakeClassDef("Pixel", kPixelFieldCount, kAccessors, kMethods));
}

bool NewPixelObject(Local<v8::Context> context, TJSFilterContext* filter, const PixelAddress& where,
                    Local<Object>* out) {
    Local<Object> pixel;
    if (!NewInstance(context, filter->pixelTemplate, &pixel)) return false;
    const bool indexColor = where.bitCount != 24;
    int indices[] = {kContextField, kNativeField, kPixelField, kAlphaField, kTableField, kAlphaTableField};
    void* values[] = {filter,
                      where.record,
                      EncodePixel(where.pixel, indexColor),
                      EncodeAddress(where.alpha),
                      EncodeAddress(where.table),
                      EncodeAddress(where.alphaTable)};
    if (!indexColor) {
        // Scripts make one direct-colour Pixel per pixel, and each field
        // written costs about as much as a channel access. Such a pixel's
        // members never read the bit count or the colour tables (its kind
        // travels in field 3), so only fields 0, 1, 3 and 4 are written.
        pixel->SetAlignedPointerInInternalFields(4, indices, values);
    } else {
        pixel->SetAlignedPointerInInternalFields(6, indices, values);
        pixel->SetInternalField(kBitCountField, Integer::New(filter->isolate, where.bitCount));
    }
    *out = pixel;
    return true;
}

}  // namespace qfjsbinding
