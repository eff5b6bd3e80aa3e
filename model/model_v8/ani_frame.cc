// The version 8 "AniFrame" class: one animation frame, its bitmap and its
// display time, read and edited on the host directly.
#include <cstdint>

#include "engine/callback_guard.h"
#include "engine/class_builder.h"
#include "model/model_v8/classes_v8.h"
#include "model/model_v8/host_wrap.h"

namespace qfjsbinding {

using v8::Isolate;
using v8::Local;
using v8::Name;
using v8::PropertyCallbackInfo;
using v8::Value;

namespace {

enum AniFrameMember : int {
    kType,
    kBitmap,
    kTimeSecNumerator,
    kTimeSecDenominator,
    kTimeFpsNumerator,
    kTimeFpsDenominator,
    kTime,
};

// The frame's display time in milliseconds. Type 0 holds seconds as a
// fraction; type 1 a frame rate, whose frame lasts 1000 x denominator /
// numerator milliseconds (a rate of 0 frames per second lasts forever).
double DisplayTime(IQFAniFrame* frame) {
    double t = 0.0;
    const int type = frame->GetTimeType();
    // The host is read in a fixed order (denominator, numerator, and for the
    // seconds form the denominator once more), one statement per read: the
    // operands of one expression would be read in an unspecified order.
    if (type == 0) {
        if (frame->GetTimeSecDenominator() != 0) {
            const double numerator = frame->GetTimeSecNumerator();
            t = numerator * 1000.0 / frame->GetTimeSecDenominator();
        }
    } else if (type == 1) {
        const int denominator = frame->GetTimeFpsDenominator();
        if (denominator != 0) {
            const double numerator = frame->GetTimeFpsNumerator();
            t = 1000.0 * denominator / numerator;
        }
    }
    return t;
}

}  // namespace

void AniFrame_GetMember(Local<Name>, const PropertyCallbackInfo<Value>& info) {
    IQFAniFrame* frame = HostOf<IQFAniFrame>(info);
    if (!frame) {
        info.GetReturnValue().SetNull();
        return;
    }
    auto ret = info.GetReturnValue();
    switch (MemberOf(info.Data())) {
        case kType: ret.Set(frame->GetTimeType()); return;
        case kBitmap: ReturnWrapperOrNull(info, ContextOf(info.GetIsolate())->bitmapTemplate, frame->GetBitmap()); return;
        case kTimeSecNumerator: ret.Set(frame->GetTimeSecNumerator()); return;
        case kTimeSecDenominator: ret.Set(frame->GetTimeSecDenominator()); return;
        case kTimeFpsNumerator: ret.Set(frame->GetTimeFpsNumerator()); return;
        case kTimeFpsDenominator: ret.Set(frame->GetTimeFpsDenominator()); return;
        case kTime: ret.Set(DisplayTime(frame)); return;
    }
}

void AniFrame_SetMember(Local<Name>, Local<Value> value, const PropertyCallbackInfo<void>& info) {
    IQFAniFrame* frame = HostOf<IQFAniFrame>(info);
    if (!frame) return;
    Isolate* isolate = info.GetIsolate();
    const int member = MemberOf(info.Data());
    if (member == kBitmap) {
        IQFBitmap* bitmap = nullptr;
        if (AssignedBitmap(ContextOf(isolate), value, &bitmap)) frame->SetBitmap(bitmap);
        return;
    }
    std::int32_t v = 0;
    if (!js::ToInt32(isolate->GetCurrentContext(), value, &v)) return;
    switch (member) {
        case kType: frame->SetTimeType(v); return;
        case kTimeSecNumerator: frame->SetTimeSecNumerator(v); return;
        case kTimeSecDenominator: frame->SetTimeSecDenominator(v); return;
        case kTimeFpsNumerator: frame->SetTimeFpsNumerator(v); return;
        case kTimeFpsDenominator: frame->SetTimeFpsDenominator(v); return;
        default: return;
    }
}

Local<v8::FunctionTemplate> NewAniFrameClass(Isolate* isolate) {
    constexpr auto get = GuardedGetter<AniFrame_GetMember>;
    constexpr auto set = GuardedSetter<AniFrame_SetMember>;
    static const AccessorDef kAccessors[] = {
        {"Type", get, set, kType},
        {"Bitmap", get, set, kBitmap},
        {"TimeSecNumerator", get, set, kTimeSecNumerator},
        {"TimeSecDenominator", get, set, kTimeSecDenominator},
        {"TimeFpsNumerator", get, set, kTimeFpsNumerator},
        {"TimeFpsDenominator", get, set, kTimeFpsDenominator},
        {"Time", get, nullptr, kTime},
    };
    return BuildClass(isolate, MakeClassDef("AniFrame", 2, kAccessors));
}

}  // namespace qfjsbinding
