// One frame of an animation picture (IQFAniFrame): a bitmap and a display
// time, kept in both forms (seconds fraction and frame rate); the time type
// (0 seconds, 1 frame rate) says which one applies. All five numbers are
// stored as given: the host itself never divides by them.
#ifndef QFHOST_ANI_FRAME_H
#define QFHOST_ANI_FRAME_H

#include <string>

#include <picojson.h>

#include "host/lib/object_core.h"
#include "qfjs/qf_interfaces.h"

namespace qfhost {

class Bitmap;

class AniFrame final : public IQFAniFrame {
public:
    // A frame of 1/10 s (time type 0), whose frame-rate form is 10/1 fps.
    AniFrame(ObjectKey, Factory& factory, int id);
    ~AniFrame() = default;
    AniFrame(const AniFrame&) = delete;
    AniFrame& operator=(const AniFrame&) = delete;

    // IQFObject
    void ReservedObject0() override;
    bool Equals(IQFObject* other) override;
    std::string Jsonize() override;

    // IQFAniFrame
    IQFBitmap* GetBitmap() override;
    void SetBitmap(IQFBitmap* bitmap) override;
    int GetTimeType() override;
    void SetTimeType(int type) override;
    int GetTimeSecNumerator() override;
    void SetTimeSecNumerator(int value) override;
    int GetTimeSecDenominator() override;
    void SetTimeSecDenominator(int value) override;
    int GetTimeFpsNumerator() override;
    void SetTimeFpsNumerator(int value) override;
    int GetTimeFpsDenominator() override;
    void SetTimeFpsDenominator(int value) override;

    // C++ side, never recorded in the call log.
    const ObjectCore& core() const { return core_; }
    Factory& factory() const { return core_.factory(); }
    int id() const { return core_.id(); }

    Bitmap* bitmap() const { return bitmap_; }
    // False (nothing changed) for a bitmap of another factory.
    bool AssignBitmap(Bitmap* bitmap);
    int time_type() const { return time_type_; }
    int sec_numerator() const { return sec_numerator_; }
    int sec_denominator() const { return sec_denominator_; }
    int fps_numerator() const { return fps_numerator_; }
    int fps_denominator() const { return fps_denominator_; }
    void SetSecondsTime(int numerator, int denominator);
    void SetFrameRateTime(int numerator, int denominator);

    // Same bitmap content and the same five time values.
    bool SameContent(const AniFrame& other) const;
    // A copy with its own copy of the bitmap.
    AniFrame* Copy() const;
    picojson::value ToJson() const;

private:
    ObjectCore core_;
    Bitmap* bitmap_ = nullptr;
    int time_type_ = 0;
    int sec_numerator_ = 1;
    int sec_denominator_ = 10;
    int fps_numerator_ = 10;
    int fps_denominator_ = 1;
};

}  // namespace qfhost

#endif
