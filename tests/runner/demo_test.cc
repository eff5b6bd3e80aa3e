// `make demo`'s script against this build, into a temporary folder: it
// succeeds, and its pictures are the example filters' results on the sample.
#include <cmath>

#include "runner_process.h"

namespace runner_test {
namespace {

using qfhost::Rgba;
using qfhost::RgbaImage;

using Demo = RunnerTest;

void ExpectEachPixel(const RgbaImage& actual, const RgbaImage& source, Rgba (*expected)(Rgba)) {
    ASSERT_EQ(actual.width, source.width);
    ASSERT_EQ(actual.height, source.height);
    int wrong = 0;
    for (int y = 0; y < source.height; ++y) {
        for (int x = 0; x < source.width; ++x) {
            if (actual.At(x, y) != expected(source.At(x, y)) && ++wrong <= 3) {
                ADD_FAILURE() << "pixel (" << x << ", " << y << ") differs";
            }
        }
    }
    EXPECT_EQ(wrong, 0);
}

Rgba Inverted(Rgba s) { return Rgba{std::uint8_t(255 - s.r), std::uint8_t(255 - s.g), std::uint8_t(255 - s.b), s.a}; }

Rgba Grey(Rgba s) {
    const auto v = static_cast<std::uint8_t>(std::round(0.299 * s.r + 0.587 * s.g + 0.114 * s.b));
    return Rgba{v, v, v, s.a};
}

TEST_F(Demo, WritesTheExamplePictures) {
    const fs::path out = dir_ / "demo out";
    Finished done = Wait(Start({(fs::path(QFJS_SOURCE_DIR) / "scripts" / "demo.sh").string(), QFJS_BUILD_DIR,
                                "demo out"},
                               "/bin/bash"));
    ASSERT_EQ(done.exitStatus, 0) << done.out << done.err;
    EXPECT_NE(done.out.find("Hello, QuillFrame!"), std::string::npos) << done.out;
    EXPECT_NE(done.out.find(out.string() + "/invert.png"), std::string::npos) << done.out;

    const RgbaImage sample = ReadPicture(ExamplesDir() / "sample.png");
    ASSERT_FALSE(sample.empty());
    ExpectEachPixel(ReadPicture(out / "invert.png"), sample, Inverted);
    ExpectEachPixel(ReadPicture(out / "grayscale.png"), sample, Grey);
#ifdef QFJS_HAVE_CONSOLE_HOST
    EXPECT_NE(done.out.find(out.string() + "/batch/"), std::string::npos) << done.out;
    ExpectEachPixel(ReadPicture(out / "batch" / "sample_inverted.png"), sample, Inverted);
#else
    EXPECT_NE(done.out.find("the batch example is left out"), std::string::npos) << done.out;
#endif
}

}  // namespace
}  // namespace runner_test
