// The version 8 "ColorObject" class: one colour, either a live view of a
// bitmap pixel or palette entry (every read and write goes to the host), or a
// detached, read-only colour value.
//
// Internal fields: 0 the filter context, 1 the kind, 2 the bitmap (null for
// a value), 3.. the position (x, y), the palette index, or the channel values
// R, G, B, A and the index I of a detached colour.
#include "model/model_v8/color_object.h"

#include "engine/callback_guard.h"
#include "engine/class_builder.h"
#include "engine/filter_context.h"
#include "engine/js_convert.h"
#include "engine/wrapper.h"
#include "model/model_v8/classes_v8.h"

namespace qfjsbinding {

using v8::FunctionCallbackInfo;
using v8::Int32;
using v8::Integer;
using v8::Isolate;
using v8::Local;
using v8::Name;
using v8::Number;
using v8::Object;
using v8::PropertyCallbackInfo;
using v8::Value;

namespace {

// Fields 3 and 4 of a live view hold its position (x, y) or its palette
// index; fields 3 to 7 of a detached colour hold R, G, B, A (script numbers)
// and I.
enum Field : int {
    kKind = 1,
    kBitmap = 2,
    kFirst = 3,
    kSecond = 4,
    kValueR = 3,
    kValueG = 4,
    kValueB = 5,
    kValueA = 6,
    kValueI = 7,
    kFieldCount = 8,
};
enum Channel : int { kR, kG, kB_, kA_, kI_ };

// Integers live in the fields as aligned-pointer values (the 32-bit
// pattern shifted left by one bit, which keeps them even): reading one then
// needs no handle and no type test, which matters since a script that
// touches every pixel reads them several times per pixel.
void* EncodeInt(std::int32_t value) {
    return reinterpret_cast<void*>(static_cast<std::uintptr_t>(static_cast<std::uint32_t>(value)) << 1);
}

std::int32_t DecodeInt(void* field) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(field) >> 1));
}

// Makes the object and sets its pointer and integer fields in one call.
bool NewColorObject(Local<v8::Context> context, TJSFilterContext* filter, TColorObjectKind kind,
                    IQFBitmap* bitmap, std::int32_t first, std::int32_t second, Local<Object>* out) {
    if (!NewInstance(context, filter->colorObjectTemplate, out)) return false;
    int indices[] = {kContextField, kKind, kBitmap, kFirst, kSecond};
    void* values[] = {filter, EncodeInt(kind), bitmap, EncodeInt(first), EncodeInt(second)};
    (*out)->SetAlignedPointerInInternalFields(5, indices, values);
    return true;
}

// The fields of a ColorObject the engine made. Only the engine makes
// objects of this class (the class refuses `new`), and a ColorView is only
// taken of a member's holder (always an instance) or of an argument that
// passed the class check, so the fields are there and set.
struct ColorView {
    std::int32_t kind = -1;
    IQFBitmap* bitmap = nullptr;
    Local<Object> holder;

    explicit ColorView(Local<Object> object) : holder(object) {
        kind = DecodeInt(object->GetAlignedPointerFromInternalField(kKind));
        bitmap = static_cast<IQFBitmap*>(object->GetAlignedPointerFromInternalField(kBitmap));
    }
    // x, y or the palette index of a live view.
    std::int32_t Int(int field) const { return DecodeInt(holder->GetAlignedPointerFromInternalField(field)); }
    // A channel of a detached colour.
    double Double(int field) const {
        Local<Value> v = holder->GetInternalField(field);
        return v->IsNumber() ? v.As<Number>()->Value() : 0.0;
    }
};

// The comparisons of Equals ask the host in a fixed order: each channel of
// this object, then the same channel of the other, stopping at the first
// difference. Every host read is its own statement, since the operands of
// one expression are evaluated in an unspecified order.
bool PaletteEntriesEqual(IQFBitmap* a, std::int32_t ia, IQFBitmap* b, std::int32_t ib) {
    using Get = int (IQFBitmap::*)(int);
    for (Get get : {&IQFBitmap::GetPaletteR, &IQFBitmap::GetPaletteG, &IQFBitmap::GetPaletteB}) {
        const int mine = (a->*get)(ia);
        const int theirs = (b->*get)(ib);
        if (mine != theirs) return false;
    }
    const bool alpha = a->HasAlpha();
    if (alpha != b->HasAlpha()) return false;
    if (!alpha) return true;
    const int mine = a->GetPaletteA(ia);
    return mine == b->GetPaletteA(ib);
}

bool PixelsEqual(IQFBitmap* a, std::int32_t xa, std::int32_t ya, IQFBitmap* b, std::int32_t xb, std::int32_t yb) {
    using Get = double (IQFBitmap::*)(int, int);
    for (Get get : {&IQFBitmap::GetPixelR, &IQFBitmap::GetPixelG, &IQFBitmap::GetPixelB}) {
        const double mine = (a->*get)(xa, ya);
        const double theirs = (b->*get)(xb, yb);
        if (!(mine == theirs)) return false;  // NaN equals nothing
    }
    const bool index = a->IsIndexColor();
    if (index != b->IsIndexColor()) return false;
    if (index) {
        const int mine = a->GetPixelI(xa, ya);
        if (mine != b->GetPixelI(xb, yb)) return false;
    }
    const bool alpha = a->HasAlpha();
    if (alpha != b->HasAlpha()) return false;
    if (!alpha) return true;
    const double mine = a->GetPixelA(xa, ya);
    return mine == b->GetPixelA(xb, yb);
}

}  // namespace

bool NewPixelColorObject(Local<v8::Context> context, TJSFilterContext* filter, IQFBitmap* bitmap, std::int32_t x,
                         std::int32_t y, Local<Object>* out) {
    return NewColorObject(context, filter, ckPixel, bitmap, x, y, out);
}

bool NewPaletteColorObject(Local<v8::Context> context, TJSFilterContext* filter, IQFBitmap* bitmap,
                           std::int32_t index, Local<Object>* out) {
    return NewColorObject(context, filter, ckPaletteEntry, bitmap, index, 0, out);
}

bool NewValueColorObject(Local<v8::Context> context, TJSFilterContext* filter, double r, double g, double b,
                         double a, std::int32_t index, Local<Object>* out) {
    if (!NewColorObject(context, filter, ckValue, nullptr, 0, 0, out)) return false;
    Isolate* isolate = context->GetIsolate();
    (*out)->SetInternalField(kValueR, Number::New(isolate, r));
    (*out)->SetInternalField(kValueG, Number::New(isolate, g));
    (*out)->SetInternalField(kValueB, Number::New(isolate, b));
    (*out)->SetInternalField(kValueA, Number::New(isolate, a));
    (*out)->SetAlignedPointerInInternalField(kValueI, EncodeInt(index));
    return true;
}

void ColorObject_GetMember(Local<Name>, const PropertyCallbackInfo<Value>& info) {
    const ColorView color(info.Holder());
    const int channel = MemberOf(info.Data());
    auto ret = info.GetReturnValue();
    switch (color.kind) {
        case ckValue:
            switch (channel) {
                case kR: ret.Set(color.Double(kValueR)); return;
                case kG: ret.Set(color.Double(kValueG)); return;
                case kB_: ret.Set(color.Double(kValueB)); return;
                case kA_: ret.Set(color.Double(kValueA)); return;
                default: ret.Set(color.Int(kValueI)); return;
            }
        case ckPaletteEntry: {
            if (!color.bitmap || channel == kI_) break;
            const std::int32_t index = color.Int(kFirst);
            switch (channel) {
                case kR: ret.Set(color.bitmap->GetPaletteR(index)); return;
                case kG: ret.Set(color.bitmap->GetPaletteG(index)); return;
                case kB_: ret.Set(color.bitmap->GetPaletteB(index)); return;
                default: ret.Set(color.bitmap->GetPaletteA(index)); return;
            }
        }
        case ckPixel: {
            if (!color.bitmap) break;
            const std::int32_t x = color.Int(kFirst);
            const std::int32_t y = color.Int(kSecond);
            switch (channel) {
                case kR: ret.Set(color.bitmap->GetPixelR(x, y)); return;
                case kG: ret.Set(color.bitmap->GetPixelG(x, y)); return;
                case kB_: ret.Set(color.bitmap->GetPixelB(x, y)); return;
                case kA_: ret.Set(color.bitmap->GetPixelA(x, y)); return;
                default: ret.Set(color.bitmap->GetPixelI(x, y)); return;
            }
        }
        default:
            break;
    }
    ret.SetNull();
}

void ColorObject_SetMember(Local<Name>, Local<Value> value, const PropertyCallbackInfo<void>& info) {
    const ColorView color(info.Holder());
    const int channel = MemberOf(info.Data());
    // A detached colour is read-only; a palette entry has no index to set.
    if (!color.bitmap) return;
    if (color.kind == ckPaletteEntry) {
        if (channel == kI_) return;
        std::int32_t v = 0;
        if (!js::ToInt64Low32(info.GetIsolate()->GetCurrentContext(), value, &v)) return;
        const std::int32_t index = color.Int(kFirst);
        switch (channel) {
            case kR: color.bitmap->SetPaletteR(index, v); return;
            case kG: color.bitmap->SetPaletteG(index, v); return;
            case kB_: color.bitmap->SetPaletteB(index, v); return;
            default: color.bitmap->SetPaletteA(index, v); return;
        }
    }
    if (color.kind == ckPixel) {
        const std::int32_t x = color.Int(kFirst);
        const std::int32_t y = color.Int(kSecond);
        if (channel == kI_) {
            std::int32_t index = 0;
            if (!js::ToInt64Low32(info.GetIsolate()->GetCurrentContext(), value, &index)) return;
            color.bitmap->SetPixelI(x, y, index);
            return;
        }
        double v = 0;
        if (!js::ToNumber(info.GetIsolate(), value, &v)) return;
        switch (channel) {
            case kR: color.bitmap->SetPixelR(x, y, v); return;
            case kG: color.bitmap->SetPixelG(x, y, v); return;
            case kB_: color.bitmap->SetPixelB(x, y, v); return;
            default: color.bitmap->SetPixelA(x, y, v); return;
        }
    }
}

void ColorObject_Equals(const FunctionCallbackInfo<Value>& info) {
    if (info.Length() < 1) {
        info.GetReturnValue().Set(false);
        return;
    }
    Isolate* isolate = info.GetIsolate();
    Local<Object> otherObject;
    if (!js::ToObject(isolate->GetCurrentContext(), info[0], &otherObject)) return;
    if (!IsInstance(ContextOf(isolate)->colorObjectTemplate, otherObject)) {
        info.GetReturnValue().Set(false);
        return;
    }
    const ColorView self(info.Holder());
    const ColorView other(otherObject);
    bool equal = false;
    if (self.kind != other.kind) {
        equal = false;
    } else if (self.kind == ckValue) {
        // NaN equals nothing, as with ==.
        equal = self.Double(kValueR) == other.Double(kValueR) && self.Double(kValueG) == other.Double(kValueG) &&
                self.Double(kValueB) == other.Double(kValueB) && self.Double(kValueA) == other.Double(kValueA) &&
                self.Int(kValueI) == other.Int(kValueI);
    } else if (self.kind == ckPaletteEntry && self.bitmap && other.bitmap) {
        equal = PaletteEntriesEqual(self.bitmap, self.Int(kFirst), other.bitmap, other.Int(kFirst));
    } else if (self.kind == ckPixel && self.bitmap && other.bitmap) {
        equal = PixelsEqual(self.bitmap, self.Int(kFirst), self.Int(kSecond), other.bitmap, other.Int(kFirst),
                            other.Int(kSecond));
    }
    info.GetReturnValue().Set(equal);
}

Local<v8::FunctionTemplate> NewColorObjectClass(Isolate* isolate) {
    static const MethodDef kMethods[] = {
        {"Equals", Guarded<ColorObject_Equals>},
    };
    static const AccessorDef kAccessors[] = {
        {"R", GuardedGetter<ColorObject_GetMember>, GuardedSetter<ColorObject_SetMember>, kR},
        {"G", GuardedGetter<ColorObject_GetMember>, GuardedSetter<ColorObject_SetMember>, kG},
        {"B", GuardedGetter<ColorObject_GetMember>, GuardedSetter<ColorObject_SetMember>, kB_},
        {"A", GuardedGetter<ColorObject_GetMember>, GuardedSetter<ColorObject_SetMember>, kA_},
        {"I", GuardedGetter<ColorObject_GetMember>, GuardedSetter<ColorObject_SetMember>, kI_},
    };
    return BuildClass(isolate, MakeClassDef("ColorObject", kFieldCount, kAccessors, kMethods));
}

}  // namespace qfjsbinding
