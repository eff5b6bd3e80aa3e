// The version 7 "Color" class: the request's selection colour ("SelColor")
// seen through one layer, read-only.
//
// On a direct-colour layer the channels are the request's values as given
// (not rounded). On an index-colour layer they are those of the colour-table
// entry named by "SelColor"."I", looked up when read; the request does not
// promise that the index lies inside the table, and an index outside it reads
// 0 on every colour and alpha channel.
//
// Internal fields: 0 the filter context, 1 the TV7ColorData record.
#include <cstdint>

#include "engine/callback_guard.h"
#include "engine/class_builder.h"
#include "engine/filter_context.h"
#include "engine/wrapper.h"
#include "libzkimg/core/src/dib.h"
#include "model/model_v7/classes_v7.h"
#include "model/model_v7/engine_blocks.h"
#include "model/model_v7/v7_records.h"

namespace qfjsbinding {

using v8::Isolate;
using v8::Local;
using v8::Name;
using v8::Object;
using v8::PropertyCallbackInfo;
using v8::Value;

namespace {

enum Channel : int { kBlue, kGreen, kRed };

const RGBQUAD* TableEntry(const BITMAPINFO* dib, std::int32_t index) {
    if (!dib || index < 0 || index >= zkiDIBPaletteCount(dib)) return nullptr;
    return zkiDIBPalette(dib) + index;
}

// The colour and the layer it is seen through, as the accessors need them.
struct ColorView {
    const TV7ColorData* data = nullptr;
    const TV7LayerData* layer = nullptr;
    bool indexColor = false;

    explicit ColorView(const PropertyCallbackInfo<Value>& info)
        : data(static_cast<const TV7ColorData*>(HolderNative(info))) {
        layer = data ? data->layer : nullptr;
        indexColor = layer && zkiDIBIsIndexColor(layer->image);
    }
    const RGBQUAD* entry() const { return TableEntry(layer->image, data->index); }
};

template <int kChannel>
void GetChannel(const PropertyCallbackInfo<Value>& info) {
    const ColorView view(info);
    if (!view.data) {
        info.GetReturnValue().Set(0);
        return;
    }
    if (!view.indexColor) {
        const double value = kChannel == kRed ? view.data->r : kChannel == kGreen ? view.data->g : view.data->b;
        info.GetReturnValue().Set(value);
        return;
    }
    const RGBQUAD* entry = view.entry();
    int value = 0;
    if (entry) value = kChannel == kRed ? entry->rgbRed : kChannel == kGreen ? entry->rgbGreen : entry->rgbBlue;
    info.GetReturnValue().Set(value);
}

}  // namespace

namespace provided_functions {

void Color_GetMemberR(Local<Name>, const PropertyCallbackInfo<Value>& info) {
    GetChannel<kRed>(info);
}

void Color_GetMemberG(Local<Name>, const PropertyCallbackInfo<Value>& info) {
    GetChannel<kGreen>(info);
}

void Color_GetMemberB(Local<Name>, const PropertyCallbackInfo<Value>& info) {
    GetChannel<kBlue>(info);
}

// 255 (opaque) whenever the layer has no alpha plane.
void Color_GetMemberA(Local<Name>, const PropertyCallbackInfo<Value>& info) {
    const ColorView view(info);
    if (!view.data) {
        info.GetReturnValue().Set(0);
        return;
    }
    if (!view.indexColor) {
        if (view.layer && view.layer->alpha) {
            info.GetReturnValue().Set(view.data->a);
        } else {
            info.GetReturnValue().Set(255);
        }
        return;
    }
    int value = 0;
    if (view.entry()) {
        const RGBQUAD* alpha = TableEntry(view.layer->alpha, view.data->index);
        value = !view.layer->alpha ? 255 : alpha ? alpha->rgbGreen : 0;
    }
    info.GetReturnValue().Set(value);
}

void Color_GetMemberI(Local<Name>, const PropertyCallbackInfo<Value>& info) {
    const ColorView view(info);
    info.GetReturnValue().Set(view.indexColor ? view.data->index : 0);
}

}  // namespace provided_functions

Local<v8::FunctionTemplate> NewColorClass(Isolate* isolate) {
    using namespace provided_functions;
    static const AccessorDef kAccessors[] = {
        {"r", GuardedGetter<Color_GetMemberR>, nullptr, 0},
        {"g", GuardedGetter<Color_GetMemberG>, nullptr, 0},
        {"b", GuardedGetter<Color_GetMemberB>, nullptr, 0},
        {"a", GuardedGetter<Color_GetMemberA>, nullptr, 0},
        {"i", GuardedGetter<Color_GetMemberI>, nullptr, 0},
    };
    return BuildClass(isolate, MakeClassDef("Color", 2, kAccessors));
}

bool NewV7ColorObject(Local<v8::Context> context, TJSFilterContext* filter, TV7LayerData* layer,
                      Local<Object>* out) {
    OwnedBlock<TV7ColorData> record = AllocRecord<TV7ColorData>();
    if (!record) return false;
    record->layer = layer;
    record->r = filter->selColorR;
    record->g = filter->selColorG;
    record->b = filter->selColorB;
    record->a = filter->selColorA;
    record->index = filter->selColorIndex;
    TV7ColorData* data = record.get();
    if (!AdoptBlocks(filter, record)) return false;
    return NewWrapper(context, filter->colorTemplate, filter, data, out);
}

}  // namespace qfjsbinding
