#include "host/lib/ani_frame.h"

#include "host/lib/bitmap.h"
#include "host/lib/factory.h"

namespace qfhost {

AniFrame::AniFrame(ObjectKey, Factory& factory, int id) : core_(factory, "AniFrame", id) {}

void AniFrame::ReservedObject0() {
    core_.Log("ReservedObject0");
}

bool AniFrame::Equals(IQFObject* other) {
    core_.Log("Equals", static_cast<const IQFObject*>(other));
    if (!other) return false;
    const AniFrame* o = dynamic_cast<const AniFrame*>(other);
    return o && (o == this || SameContent(*o));
}

std::string AniFrame::Jsonize() {
    core_.Log("Jsonize");
    return ToJson().serialize();
}

IQFBitmap* AniFrame::GetBitmap() {
    core_.Log("GetBitmap");
    return bitmap_;
}

void AniFrame::SetBitmap(IQFBitmap* bitmap) {
    core_.Log("SetBitmap", static_cast<const IQFObject*>(bitmap));
    if (bitmap && !AsBitmap(bitmap)) return;
    AssignBitmap(AsBitmap(bitmap));
}

int AniFrame::GetTimeType() {
    core_.Log("GetTimeType");
    return time_type_;
}

void AniFrame::SetTimeType(int type) {
    core_.Log("SetTimeType", type);
    time_type_ = type;
}

int AniFrame::GetTimeSecNumerator() {
    core_.Log("GetTimeSecNumerator");
    return sec_numerator_;
}

void AniFrame::SetTimeSecNumerator(int value) {
    core_.Log("SetTimeSecNumerator", value);
    sec_numerator_ = value;
}

int AniFrame::GetTimeSecDenominator() {
    core_.Log("GetTimeSecDenominator");
    return sec_denominator_;
}

void AniFrame::SetTimeSecDenominator(int value) {
    core_.Log("SetTimeSecDenominator", value);
    sec_denominator_ = value;
}

int AniFrame::GetTimeFpsNumerator() {
    core_.Log("GetTimeFpsNumerator");
    return fps_numerator_;
}

void AniFrame::SetTimeFpsNumerator(int value) {
    core_.Log("SetTimeFpsNumerator", value);
    fps_numerator_ = value;
}

int AniFrame::GetTimeFpsDenominator() {
    core_.Log("GetTimeFpsDenominator");
    return fps_denominator_;
}

void AniFrame::SetTimeFpsDenominator(int value) {
    core_.Log("SetTimeFpsDenominator", value);
    fps_denominator_ = value;
}

bool AniFrame::AssignBitmap(Bitmap* bitmap) {
    if (bitmap && &bitmap->factory() != &factory()) return false;
    bitmap_ = bitmap;
    return true;
}

void AniFrame::SetSecondsTime(int numerator, int denominator) {
    time_type_ = 0;
    sec_numerator_ = numerator;
    sec_denominator_ = denominator;
}

void AniFrame::SetFrameRateTime(int numerator, int denominator) {
    time_type_ = 1;
    fps_numerator_ = numerator;
    fps_denominator_ = denominator;
}

bool AniFrame::SameContent(const AniFrame& other) const {
    if (time_type_ != other.time_type_ || sec_numerator_ != other.sec_numerator_ ||
        sec_denominator_ != other.sec_denominator_ || fps_numerator_ != other.fps_numerator_ ||
        fps_denominator_ != other.fps_denominator_) {
        return false;
    }
    if ((bitmap_ == nullptr) != (other.bitmap_ == nullptr)) return false;
    return !bitmap_ || bitmap_ == other.bitmap_ || bitmap_->SameContent(*other.bitmap_);
}

AniFrame* AniFrame::Copy() const {
    AniFrame* copy = factory().MakeAniFrame();
    if (!copy) return nullptr;
    copy->time_type_ = time_type_;
    copy->sec_numerator_ = sec_numerator_;
    copy->sec_denominator_ = sec_denominator_;
    copy->fps_numerator_ = fps_numerator_;
    copy->fps_denominator_ = fps_denominator_;
    if (bitmap_) {
        copy->bitmap_ = bitmap_->Copy();
        if (!copy->bitmap_) return nullptr;
    }
    return copy;
}

picojson::value AniFrame::ToJson() const {
    picojson::object o;
    o["Type"] = picojson::value("AniFrame");
    o["Bitmap"] = bitmap_ ? bitmap_->ToJson() : picojson::value();
    o["TimeType"] = picojson::value(static_cast<std::int64_t>(time_type_));
    o["TimeSecNumerator"] = picojson::value(static_cast<std::int64_t>(sec_numerator_));
    o["TimeSecDenominator"] = picojson::value(static_cast<std::int64_t>(sec_denominator_));
    o["TimeFpsNumerator"] = picojson::value(static_cast<std::int64_t>(fps_numerator_));
    o["TimeFpsDenominator"] = picojson::value(static_cast<std::int64_t>(fps_denominator_));
    return picojson::value(o);
}

}  // namespace qfhost
