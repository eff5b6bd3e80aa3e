// The AniFrame class: its accessors and the display time in both forms,
// with the host reads in their order.
#include <string>
#include <vector>

#include "tests/model_v8/v8_fixture.h"

namespace qfjs_v8test {
namespace {

using qfhost::PixelFormat;

class AniFrameTest : public V8ModelTest {
protected:
    void SetUp() override {
        picture_ = factory_.NewAnimationPicture(4, 4);
        bitmap_ = NewBitmap(4, 4, PixelFormat::kRgba32);
        frame_ = picture_->AppendFrame(bitmap_);
        ASSERT_NE(frame_, nullptr);
        SetSource(picture_);
    }
    static constexpr char kFrame[] = "const f = SourcePicture.GetAniFrame(0);\n";

    qfhost::Picture* picture_ = nullptr;
    qfhost::Bitmap* bitmap_ = nullptr;
    qfhost::AniFrame* frame_ = nullptr;
};

TEST_F(AniFrameTest, AccessorsReadAndWriteEachValueAlone) {
    // Each setter also selects its form; the seconds form last keeps type 0.
    frame_->SetFrameRateTime(25, 1);
    frame_->SetSecondsTime(1, 3);
    qfhost::Bitmap* other = NewBitmap(4, 4, PixelFormat::kRgb24);
    SetTarget(factory_.NewSinglePicture(other));
    Run(std::string(kFrame) + R"JS(
      const other = ResultPicture.Bitmap;
      probe('type', () => f.Type);
      probe('bitmap', () => f.Bitmap);
      probe('sec numerator', () => f.TimeSecNumerator);
      probe('sec denominator', () => f.TimeSecDenominator);
      probe('fps numerator', () => f.TimeFpsNumerator);
      probe('fps denominator', () => f.TimeFpsDenominator);
      probe('set type', () => { f.Type = '1'; });
      probe('set sec numerator', () => { f.TimeSecNumerator = 2.9; });
      probe('set sec denominator', () => { f.TimeSecDenominator = -7; });
      probe('set fps numerator', () => { f.TimeFpsNumerator = 2 ** 32 + 30; });
      probe('set fps denominator', () => { f.TimeFpsDenominator = NaN; });
      probe('set bitmap', () => { f.Bitmap = other; });
      probe('refuse bitmap', () => { f.Bitmap = SourcePicture; });
    )JS");
    Check("type", "0", {At(frame_, "GetTimeType()")});
    Check("bitmap", "[Bitmap]", {At(frame_, "GetBitmap()")});
    Check("sec numerator", "1", {At(frame_, "GetTimeSecNumerator()")});
    Check("sec denominator", "3", {At(frame_, "GetTimeSecDenominator()")});
    Check("fps numerator", "25", {At(frame_, "GetTimeFpsNumerator()")});
    Check("fps denominator", "1", {At(frame_, "GetTimeFpsDenominator()")});
    Check("set type", "undefined", {At(frame_, "SetTimeType(1)")});
    Check("set sec numerator", "undefined", {At(frame_, "SetTimeSecNumerator(2)")});
    Check("set sec denominator", "undefined", {At(frame_, "SetTimeSecDenominator(-7)")});
    Check("set fps numerator", "undefined", {At(frame_, "SetTimeFpsNumerator(30)")});
    Check("set fps denominator", "undefined", {At(frame_, "SetTimeFpsDenominator(0)")});
    Check("set bitmap", "undefined", {At(frame_, "SetBitmap(" + L(other) + ")")});
    Check("refuse bitmap", "undefined", {});
    EXPECT_EQ(frame_->time_type(), 1);
    EXPECT_EQ(frame_->sec_numerator(), 2);
    EXPECT_EQ(frame_->sec_denominator(), -7);
    EXPECT_EQ(frame_->fps_numerator(), 30);
    EXPECT_EQ(frame_->fps_denominator(), 0);
    EXPECT_EQ(frame_->bitmap(), other);
}

// Time in milliseconds: type 0 from the seconds fraction (denominator read,
// then numerator, then the denominator again), type 1 the duration of one
// frame at the frame rate, 1000 x denominator / numerator; 0 for anything
// else. Not rounded.
TEST_F(AniFrameTest, TimeInEachForm) {
    struct Case {
        const char* name;
        int type, secNum, secDen, fpsNum, fpsDen;
        const char* time;
        std::vector<std::string> reads;  // operations after GetTimeType
    };
    const std::vector<Case> cases = {
        {"third of a second", 0, 1, 3, 0, 0, "333.3333333333333",
         {"GetTimeSecDenominator()", "GetTimeSecNumerator()", "GetTimeSecDenominator()"}},
        {"seconds over zero", 0, 5, 0, 25, 1, "0", {"GetTimeSecDenominator()"}},
        {"negative seconds", 0, -1, 4, 0, 0, "-250",
         {"GetTimeSecDenominator()", "GetTimeSecNumerator()", "GetTimeSecDenominator()"}},
        {"25 fps", 1, 0, 0, 25, 1, "40", {"GetTimeFpsDenominator()", "GetTimeFpsNumerator()"}},
        {"NTSC rate", 1, 0, 0, 30000, 1001, "33.36666666666667",
         {"GetTimeFpsDenominator()", "GetTimeFpsNumerator()"}},
        {"half a frame per second", 1, 0, 0, 1, 2, "2000", {"GetTimeFpsDenominator()", "GetTimeFpsNumerator()"}},
        {"zero fps", 1, 0, 0, 0, 1, "Infinity", {"GetTimeFpsDenominator()", "GetTimeFpsNumerator()"}},
        {"rate over zero", 1, 1, 3, 25, 0, "0", {"GetTimeFpsDenominator()"}},
        {"type 2", 2, 1, 3, 25, 1, "0", {}},
        {"type -1", -1, 1, 3, 25, 1, "0", {}},
    };
    std::string script = kFrame;
    for (const Case& c : cases) {
        hooks_[c.name] = [this, c] {
            frame_->SetSecondsTime(c.secNum, c.secDen);
            frame_->SetFrameRateTime(c.fpsNum, c.fpsDen);
        };
        // The hook sets the host's time values (and its form); the script
        // then chooses the form under test.
        script += "hook(" + Js(c.name) + "); f.Type = " + std::to_string(c.type) + "; probe(" + Js(c.name) +
                  ", () => f.Time);\n";
    }
    Run(script);
    for (const Case& c : cases) {
        Calls calls = {At(frame_, "GetTimeType()")};
        for (const std::string& read : c.reads) calls.push_back(At(frame_, read));
        Check(c.name, c.time, calls);
    }
}

}  // namespace
}  // namespace qfjs_v8test
