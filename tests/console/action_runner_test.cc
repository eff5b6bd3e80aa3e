// Filter scripts run on pictures through the real engine and the reference
// host: what becomes the result for version 8 and version 7 scripts, how
// failures are reported, when a worker's filter context is reused, and the
// hard stop of a running script.
#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "console_test_support.h"
#include "host/console/action_runner.h"
#include "host/console/script_engine.h"
#include "host/lib/qfhost.h"

namespace qfconsole {
namespace {

using qfconsole_test::Inverted;
using qfconsole_test::Pattern;

// The engine is started once for the test program, as the host does.
class EngineEnvironment : public testing::Environment {
public:
    void SetUp() override { engine_ = std::make_unique<ScriptEngine>(); }
    void TearDown() override { engine_.reset(); }

private:
    std::unique_ptr<ScriptEngine> engine_;
};
const testing::Environment* const kEngine = testing::AddGlobalTestEnvironment(new EngineEnvironment);

const char kInvertV8[] = R"(
SetVersion(8);
var b = ResultPicture.Bitmap;
for (var y = 0; y < b.Height; y++)
  for (var x = 0; x < b.Width; x++)
    b.SetPixel(x, y, 255 - b.GetPixelR(x, y), 255 - b.GetPixelG(x, y), 255 - b.GetPixelB(x, y));
)";

const char kInvertV7[] = R"(
SetVersion(7);
var layer = Image.CreateCopyLayer(0);
for (var y = 0; y < layer.Height; y++)
  for (var x = 0; x < layer.Width; x++) {
    var p = layer.PixelAt(x, y);
    p.r = 255 - p.r; p.g = 255 - p.g; p.b = 255 - p.b;
  }
)";

class ActionRunnerTest : public testing::Test {
protected:
    // A w x h "SINGLE" picture showing Pattern.
    qfhost::Picture* Source(int width = 3, int height = 2) {
        qfhost::RgbaImage image(width, height, false);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) image.Set(x, y, Pattern(x, y));
        }
        return factory_.NewSinglePicture(factory_.NewBitmapFromRgba(image));
    }

    ActionRunner& Runner(const std::string& text) {
        script_.text = text;
        script_.path = "/scripts/test.js";
        runner_ = std::make_unique<ActionRunner>(factory_, script_, &running_, &hardStop_);
        return *runner_;
    }

    qfhost::Picture* Run(qfhost::Picture* source, const std::string& name = "/in/a.png") {
        error_.clear();
        return runner_->Run(name, *source, [this](const std::string& text) { messages_.push_back(text); }, &error_);
    }

    // "" when the flattened picture is w x h and shows expected(x, y).
    static std::string Shows(qfhost::Picture* picture, int width, int height,
                             const std::function<qfhost::Rgba(int, int)>& expected) {
        if (!picture) return "no picture";
        const qfhost::RgbaImage image = qfhost::FlattenPicture(*picture);
        if (image.width != width || image.height != height) {
            return "size " + std::to_string(image.width) + " x " + std::to_string(image.height);
        }
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const qfhost::Rgba got = image.At(x, y);
                const qfhost::Rgba want = expected(x, y);
                if (got.r != want.r || got.g != want.g || got.b != want.b) {
                    return "pixel " + std::to_string(x) + "," + std::to_string(y) + " is " + std::to_string(got.r) +
                           "," + std::to_string(got.g) + "," + std::to_string(got.b);
                }
            }
        }
        return "";
    }

    qfhost::Factory factory_;
    ActionScript script_;
    RunningScripts running_;
    std::atomic<bool> hardStop_{false};
    std::unique_ptr<ActionRunner> runner_;
    std::string error_;
    std::vector<std::string> messages_;
};

qfhost::Rgba InvertedPattern(int x, int y) { return Inverted(Pattern(x, y)); }

TEST_F(ActionRunnerTest, Version8ResultPictureStartsAsACopyOfTheInput) {
    Runner(kInvertV8);
    qfhost::Picture* source = Source();
    qfhost::Picture* result = Run(source);
    ASSERT_NE(result, nullptr) << error_;
    EXPECT_NE(result, source);
    EXPECT_EQ(Shows(result, 3, 2, InvertedPattern), "");
    EXPECT_EQ(Shows(source, 3, 2, Pattern), "");  // the input itself is untouched
}

TEST_F(ActionRunnerTest, Version8ResultIsWhateverPictureTheScriptLeavesInResultPicture) {
    Runner(R"(
SetVersion(8);
var other = SourcePicture.Duplicate();
other.Bitmap.SetPixel(0, 0, 1, 2, 3);
ResultPicture.Bitmap.SetPixel(1, 1, 9, 9, 9);
ResultPicture = other;
)");
    qfhost::Picture* result = Run(Source());
    ASSERT_NE(result, nullptr) << error_;
    EXPECT_EQ(Shows(result, 3, 2, [](int x, int y) { return x == 0 && y == 0 ? qfhost::Rgba{1, 2, 3, 255} : Pattern(x, y); }),
              "");
}

TEST_F(ActionRunnerTest, Version7ResultLayersAreComposited) {
    Runner(kInvertV7);
    qfhost::Picture* result = Run(Source());
    ASSERT_NE(result, nullptr) << error_;
    EXPECT_EQ(Shows(result, 3, 2, InvertedPattern), "");
}

TEST_F(ActionRunnerTest, Version7WithoutResultLayersLeavesTheInputUnchanged) {
    Runner("SetVersion(7); var l = Image.GetInLayer(0); l.PixelAt(0, 0).r;");
    qfhost::Picture* source = Source();
    EXPECT_EQ(Run(source), source) << error_;
    // A script that never calls SetVersion runs as version 7.
    Runner("var nothing = 1;");
    EXPECT_EQ(Run(source), source) << error_;
}

// The canvas holds every visible result layer, wherever the script put it.
TEST_F(ActionRunnerTest, Version7CanvasGrowsToTheVisibleLayers) {
    Runner(R"(
SetVersion(7);
Image.CreateCopyLayer(0);
var wide = Image.CreateOutLayer(1, 2, 1, false, false, 0);
wide.X = 4;
wide.PixelAt(0, 0).r = 200;
var hidden = Image.CreateOutLayer(2, 50, 50, false, false, 0);
hidden.Hidden = true;
)");
    qfhost::Picture* result = Run(Source());
    ASSERT_NE(result, nullptr) << error_;
    const qfhost::RgbaImage image = qfhost::FlattenPicture(*result);
    ASSERT_EQ(image.width, 6);
    ASSERT_EQ(image.height, 2);
    EXPECT_EQ(image.At(4, 0), (qfhost::Rgba{200, 0, 0, 255}));
    EXPECT_EQ(image.At(2, 1), Pattern(2, 1));
    EXPECT_EQ(image.At(5, 1).a, 0);  // outside every layer: transparent
}

struct FailureCase {
    const char* name;
    const char* script;
    const char* expected;  // a part of the message
};

class ActionFailureTest : public ActionRunnerTest, public testing::WithParamInterface<FailureCase> {};

TEST_P(ActionFailureTest, FailsTheFileWithTheScriptsMessage) {
    Runner(GetParam().script);
    EXPECT_EQ(Run(Source()), nullptr);
    EXPECT_NE(error_.find(GetParam().expected), std::string::npos) << error_;
}

const FailureCase kFailures[] = {
    {"result_code_with_message", "SetVersion(8); ErrorMessage = 'too dark'; Result = 5;", "too dark"},
    {"result_code_alone", "SetVersion(8); Result = 7;", "7"},
    {"exception", "SetVersion(8); throw new Error('kaput');", "kaput"},
    {"syntax_error", "SetVersion(8); var = ;", "the script failed"},
    {"no_result_picture", "SetVersion(8); ResultPicture = null;", "no picture in ResultPicture"},
    {"version7_failure_after_making_layers", "SetVersion(7); Image.CreateCopyLayer(0); Result = 3;", "3"},
};

INSTANTIATE_TEST_SUITE_P(Cases, ActionFailureTest, testing::ValuesIn(kFailures),
                         [](const testing::TestParamInfo<FailureCase>& info) { return info.param.name; });

// The example filter shipped in examples/filters: direct colour pixel by
// pixel, index colour through the palette (the pixels keep their indices).
TEST_F(ActionRunnerTest, ExampleInvertFilterInvertsDirectAndIndexColour) {
    const std::string example = qfconsole_test::ReadFile(QFCONSOLE_SOURCE_DIR "/examples/filters/invert.js");
    ASSERT_NE(example, "");
    Runner(example);
    qfhost::Picture* result = Run(Source());
    ASSERT_NE(result, nullptr) << error_;
    EXPECT_EQ(Shows(result, 3, 2, InvertedPattern), "");

    qfhost::Bitmap* indexed = factory_.MakeBitmap(3, 1, qfhost::PixelFormat::kIndex8, 3);
    ASSERT_NE(indexed, nullptr);
    for (int i = 0; i < 3; ++i) {
        indexed->SetPaletteColor(i, Pattern(i, 1));
        indexed->SetPixelIndex(i, 0, 2 - i);
    }
    result = Run(factory_.NewSinglePicture(indexed));
    ASSERT_NE(result, nullptr) << error_;
    ASSERT_NE(result->bitmap(), nullptr);
    EXPECT_TRUE(result->bitmap()->is_index());
    EXPECT_EQ(Shows(result, 3, 1, [](int x, int) { return Inverted(Pattern(2 - x, 1)); }), "");
    for (int x = 0; x < 3; ++x) EXPECT_EQ(result->bitmap()->PixelIndex(x, 0), 2 - x);
}

TEST_F(ActionRunnerTest, MessagesOfTheScriptReachTheBatch) {
    Runner("SetVersion(8); Print('looking at ' + Document.FilePath); MessageBox('done');");
    ASSERT_NE(Run(Source(), "/in/x.png"), nullptr) << error_;
    ASSERT_EQ(messages_.size(), 2u);
    EXPECT_EQ(messages_[1], "done");
}

TEST_F(ActionRunnerTest, ContextsAreKeptFromFileToFileWhileNothingStaysInThem) {
    struct Case {
        const char* script;
        int contexts;  // made for three files
    };
    const Case cases[] = {
        {kInvertV8, 1},
        {"SetVersion(7); Print(Image.LayerCount);", 1},           // no layer made, nothing read
        {"SetVersion(7); Image.GetInLayer(0).PixelAt(0, 0).r;", 3},  // read the picture
        {kInvertV7, 3},                                            // made result layers
    };
    for (const Case& c : cases) {
        ActionRunner& runner = Runner(c.script);
        for (int i = 0; i < 3; ++i) {
            ASSERT_NE(Run(Source()), nullptr) << c.script << ": " << error_;
            factory_.FreeAll();  // as the worker does after saving
        }
        EXPECT_EQ(runner.contexts_made(), c.contexts) << c.script;
    }
}

// Result layers stay in a filter context from run to run and may point into
// the previous file's bitmaps: the next file must neither show nor read them.
TEST_F(ActionRunnerTest, Version7ResultLayersOfOneFileNeverReachTheNext) {
    ActionRunner& runner = Runner(R"(
SetVersion(7);
Image.CreateCopyLayer(0);
if (Image.FileName == "/in/first.png") Image.CreateOutLayer(1, 9, 9, false, false, 0);
)");
    qfhost::Picture* first = Run(Source(), "/in/first.png");
    ASSERT_NE(first, nullptr) << error_;
    EXPECT_EQ(qfhost::FlattenPicture(*first).width, 9);
    factory_.FreeAll();

    qfhost::Picture* second = Run(Source(2, 2), "/in/second.png");
    ASSERT_NE(second, nullptr) << error_;
    EXPECT_EQ(Shows(second, 2, 2, Pattern), "");
    EXPECT_EQ(runner.contexts_made(), 2);
}

TEST_F(ActionRunnerTest, AFailedRunGivesTheNextFileAFreshContext) {
    ActionRunner& runner = Runner("SetVersion(8); if (Document.FilePath == '/in/bad.png') throw 'no';");
    EXPECT_EQ(Run(Source(), "/in/bad.png"), nullptr);
    factory_.FreeAll();
    EXPECT_NE(Run(Source(), "/in/good.png"), nullptr) << error_;
    EXPECT_EQ(runner.contexts_made(), 2);
}

TEST_F(ActionRunnerTest, AHardStopEndsARunningScript) {
    Runner("SetVersion(8); Print('running'); while (true) {}");
    std::atomic<bool> running{false};
    std::atomic<bool> finished{false};
    qfhost::Picture* source = Source();
    qfhost::Picture* result = source;
    std::string error;
    std::thread worker([&] {
        result = runner_->Run("/in/a.png", *source, [&](const std::string&) { running = true; }, &error);
        finished = true;
    });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!running && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    hardStop_ = true;
    // As the signal watcher does: repeated until the run is over.
    while (!finished) {
        running_.TerminateAll();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    worker.join();
    EXPECT_TRUE(running.load());
    EXPECT_EQ(result, nullptr);
    EXPECT_EQ(error, "the script was stopped");
}

}  // namespace
}  // namespace qfconsole
