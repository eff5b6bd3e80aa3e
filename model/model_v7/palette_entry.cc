// The version 7 "PaletteEntry" class: one colour-table entry of an
// index-colour layer and its alpha.
//
// The entry is looked up in the layer's current image and alpha plane at
// every access, so an object follows a resize of the colour table. An index
// that the current table no longer covers (after a shrinking resize, or once
// the layer holds a direct-colour image) reads 0 on every channel and ignores
// writes: nothing outside a table is ever touched.
//
// Internal fields: 0 the filter context, 1 the TV7PaletteEntryData record.
#include <cstdint>

#include "engine/callback_guard.h"
#include "engine/class_builder.h"
#include "engine/filter_context.h"
#include "engine/js_convert.h"
#include "engine/wrapper.h"
#include "libzkimg/core/src/dib.h"
#include "model/model_v7/classes_v7.h"
#include "model/model_v7/engine_blocks.h"
#include "model/model_v7/v7_records.h"

namespace qfjsbinding {

using v8::FunctionCallbackInfo;
using v8::Isolate;
using v8::Local;
using v8::Name;
using v8::Object;
using v8::PropertyCallbackInfo;
using v8::Value;

namespace {

enum Channel : int { kBlue, kGreen, kRed, kAlpha };

// Entry `index` of `dib`'s colour table; null when the table does not have it.
RGBQUAD* TableEntry(const BITMAPINFO* dib, std::int32_t index) {
    if (!dib || index < 0 || index >= zkiDIBPaletteCount(dib)) return nullptr;
    return zkiDIBPalette(dib) + index;
}

struct EntryView {
    RGBQUAD* entry = nullptr;  // in the image's table; null outside it
    RGBQUAD* alpha = nullptr;  // in the alpha plane's table; null without
    bool hasPlane = false;

    template <typename Info>
    explicit EntryView(const Info& info) {
        const auto* data = static_cast<const TV7PaletteEntryData*>(HolderNative(info));
        const TV7LayerData* layer = data ? data->layer : nullptr;
        if (!layer) return;
        entry = TableEntry(layer->image, data->index);
        if (!entry) return;
        hasPlane = layer->alpha != nullptr;
        alpha = TableEntry(layer->alpha, data->index);
    }
};

std::uint8_t& ChannelOf(RGBQUAD* entry, int channel) {
    switch (channel) {
        case kBlue:
            return entry->rgbBlue;
        case kGreen:
            return entry->rgbGreen;
        default:
            return entry->rgbRed;
    }
}

std::uint8_t ClampByte(std::int32_t v) {
    return static_cast<std::uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
}

template <int kChannel>
void GetChannel(const PropertyCallbackInfo<Value>& info) {
    const EntryView view(info);
    int value = 0;
    if (!view.entry) {
        value = 0;
    } else if constexpr (kChannel == kAlpha) {
        value = !view.hasPlane ? 255 : view.alpha ? view.alpha->rgbGreen : 0;
    } else {
        value = ChannelOf(view.entry, kChannel);
    }
    info.GetReturnValue().Set(value);
}

void WriteAlpha(RGBQUAD* alpha, std::uint8_t value) {
    alpha->rgbBlue = value;
    alpha->rgbGreen = value;
    alpha->rgbRed = value;
}

// The value is converted before the entry is looked up: its conversion may
// run script code that resizes the table.
template <int kChannel>
void SetChannel(Local<Value> value, const PropertyCallbackInfo<void>& info) {
    std::int32_t v;
    if (!js::ToInt32(info.GetIsolate()->GetCurrentContext(), value, &v)) return;
    const EntryView view(info);
    if (!view.entry) return;
    if constexpr (kChannel == kAlpha) {
        if (view.alpha) WriteAlpha(view.alpha, ClampByte(v));
    } else {
        ChannelOf(view.entry, kChannel) = ClampByte(v);
    }
}

}  // namespace

namespace provided_functions {

void Entry_GetMemberR(Local<Name>, const PropertyCallbackInfo<Value>& info) {
    GetChannel<kRed>(info);
}

void Entry_GetMemberG(Local<Name>, const PropertyCallbackInfo<Value>& info) {
    GetChannel<kGreen>(info);
}

void Entry_GetMemberB(Local<Name>, const PropertyCallbackInfo<Value>& info) {
    GetChannel<kBlue>(info);
}

void Entry_GetMemberA(Local<Name>, const PropertyCallbackInfo<Value>& info) {
    GetChannel<kAlpha>(info);
}

void Entry_SetMemberR(Local<Name>, Local<Value> value, const PropertyCallbackInfo<void>& info) {
    SetChannel<kRed>(value, info);
}

void Entry_SetMemberG(Local<Name>, Local<Value> value, const PropertyCallbackInfo<void>& info) {
    SetChannel<kGreen>(value, info);
}

void Entry_SetMemberB(Local<Name>, Local<Value> value, const PropertyCallbackInfo<void>& info) {
    SetChannel<kBlue>(value, info);
}

void Entry_SetMemberA(Local<Name>, Local<Value> value, const PropertyCallbackInfo<void>& info) {
    SetChannel<kAlpha>(value, info);
}

// One to four channels, each wrapped to its low eight bits; the alpha only
// with four arguments and an alpha plane.
void Entry_SetRGBA(const FunctionCallbackInfo<Value>& info) {
    const int count = info.Length();
    if (count < 1 || count > 4) {
        info.GetReturnValue().Set(false);
        return;
    }
    Local<v8::Context> context = info.GetIsolate()->GetCurrentContext();
    std::int32_t rgba[4] = {0, 0, 0, 0};
    for (int i = 0; i < count; ++i) {
        if (!js::ToInt32(context, info[i], &rgba[i])) return;
    }
    const EntryView view(info);
    if (view.entry) {
        view.entry->rgbRed = static_cast<std::uint8_t>(rgba[0]);
        view.entry->rgbGreen = static_cast<std::uint8_t>(rgba[1]);
        view.entry->rgbBlue = static_cast<std::uint8_t>(rgba[2]);
        if (count == 4 && view.alpha) WriteAlpha(view.alpha, static_cast<std::uint8_t>(rgba[3]));
    }
    info.GetReturnValue().Set(true);
}

}  // namespace provided_functions

Local<v8::FunctionTemplate> NewPaletteEntryClass(Isolate* isolate) {
    using namespace provided_functions;
    static const AccessorDef kAccessors[] = {
        {"r", GuardedGetter<Entry_GetMemberR>, GuardedSetter<Entry_SetMemberR>, 0},
        {"g", GuardedGetter<Entry_GetMemberG>, GuardedSetter<Entry_SetMemberG>, 0},
        {"b", GuardedGetter<Entry_GetMemberB>, GuardedSetter<Entry_SetMemberB>, 0},
        {"a", GuardedGetter<Entry_GetMemberA>, GuardedSetter<Entry_SetMemberA>, 0},
    };
    static const MethodDef kMethods[] = {{"SetRGBA", Guarded<Entry_SetRGBA>}};
    return BuildClass(isolate, MakeClassDef("PaletteEntry", 2, kAccessors, kMethods));
}

bool NewPaletteEntryObject(Local<v8::Context> context, TJSFilterContext* filter, TV7LayerData* layer,
                           std::int32_t index, Local<Object>* out) {
    OwnedBlock<TV7PaletteEntryData> record = AllocRecord<TV7PaletteEntryData>();
    if (!record) return false;
    record->layer = layer;
    record->index = index;
    TV7PaletteEntryData* data = record.get();
    if (!AdoptBlocks(filter, record)) return false;
    return NewWrapper(context, filter->paletteEntryTemplate, filter, data, out);
}

}  // namespace qfjsbinding
