// Pictures through qfjs: the sources a script sees (--in, the built-in test
// picture, several files as layers, the document), what --out writes for
// version 8 and version 7 scripts, and the example filters, each checked
// against pixels computed here from the decoded input.
#include <algorithm>
#include <cmath>
#include <functional>
#include <sstream>

#include "runner_process.h"

namespace runner_test {
namespace {

using qfhost::Rgba;
using qfhost::RgbaImage;

using Pictures = RunnerTest;

RgbaImage Solid(int width, int height, Rgba color, bool alpha) {
    RgbaImage image(width, height, alpha);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) image.Set(x, y, color);
    }
    return image;
}

std::string Describe(Rgba c) {
    std::ostringstream text;
    text << "(" << int(c.r) << ", " << int(c.g) << ", " << int(c.b) << ", " << int(c.a) << ")";
    return text.str();
}

// Compares every pixel of `actual` with `expected(x, y)`, each channel within
// `tolerance`; reports the first few differences only.
void ExpectPixels(const RgbaImage& actual, int width, int height, const std::function<Rgba(int, int)>& expected,
                  int tolerance = 0) {
    ASSERT_EQ(actual.width, width);
    ASSERT_EQ(actual.height, height);
    int reported = 0;
    for (int y = 0; y < height && reported < 5; ++y) {
        for (int x = 0; x < width && reported < 5; ++x) {
            const Rgba a = actual.At(x, y);
            const Rgba e = expected(x, y);
            const bool close = std::abs(a.r - e.r) <= tolerance && std::abs(a.g - e.g) <= tolerance &&
                               std::abs(a.b - e.b) <= tolerance && std::abs(a.a - e.a) <= tolerance;
            if (!close) {
                ADD_FAILURE() << "pixel (" << x << ", " << y << ") is " << Describe(a) << ", expected "
                              << Describe(e);
                ++reported;
            }
        }
    }
}

RgbaImage Sample() {
    RgbaImage sample = ReadPicture(ExamplesDir() / "sample.png");
    EXPECT_FALSE(sample.empty()) << "examples/sample.png cannot be read";
    return sample;
}

std::string SamplePath() { return (ExamplesDir() / "sample.png").string(); }
std::string Filter(const std::string& name) { return (ExamplesDir() / "filters" / name).string(); }

std::uint8_t Byte(double value) { return static_cast<std::uint8_t>(std::clamp(std::round(value), 0.0, 255.0)); }

// The built-in picture, as qfjs's usage and guide describe it.
Rgba TestPicture(int x, int y) {
    if ((x - 88) * (x - 88) + (y - 88) * (y - 88) <= 48 * 48) return Rgba{255, 255, 255, 255};
    if (x >= 152 && x < 232 && y >= 152 && y < 232) return Rgba{0, 0, 0, 255};
    return Rgba{std::uint8_t(x), std::uint8_t(y), std::uint8_t(255 - (x + y) / 2), 255};
}

TEST_F(Pictures, WithoutInputTheScriptGetsTheTestPicture) {
    // Untouched results in both versions: the version 8 ResultPicture starts
    // as a copy of the source; version 7 copies the source into a result layer.
    Script("v8.js", "SetVersion(8); Print(SourcePicture.Type, ' ', SourcePicture.Bitmap.Width, 'x', "
                    "SourcePicture.Bitmap.Height, ' [', Document.FilePath, '] [', Image.FileName, ']');");
    Finished done = Run({"v8.js", "-o", "v8.png"});
    EXPECT_EQ(done.exitStatus, 0) << done.err;
    EXPECT_EQ(done.out, "SINGLE 256x256 [] []\n");
    EXPECT_EQ(done.err, "");
    ExpectPixels(ReadPicture(dir_ / "v8.png"), 256, 256, TestPicture);

    Script("v7.js", "SetVersion(7); var l = Image.CreateCopyLayer(0); Print(Image.LayerCount, ' ', l.Width);");
    done = Run({"v7.js", "--out", "v7.png"});
    EXPECT_EQ(done.exitStatus, 0) << done.err;
    EXPECT_EQ(done.out, "1 256\n");
    ExpectPixels(ReadPicture(dir_ / "v7.png"), 256, 256, TestPicture);
}

TEST_F(Pictures, VersionEightWritesTheFlattenedResultPicture) {
    const RgbaImage sample = Sample();
    // Changes to ResultPicture reach the output, changes to SourcePicture do not.
    Script("edit.js", "SetVersion(8); ResultPicture.Bitmap.SetPixel(1, 2, 9, 8, 7);"
                      "SourcePicture.Bitmap.SetPixel(3, 3, 0, 0, 0);");
    Finished done = Run({"edit.js", "-i", SamplePath(), "-o", "edit.png"});
    EXPECT_EQ(done.exitStatus, 0) << done.err;
    ExpectPixels(ReadPicture(dir_ / "edit.png"), sample.width, sample.height, [&](int x, int y) {
        return x == 1 && y == 2 ? Rgba{9, 8, 7, 255} : sample.At(x, y);
    });

    // Another picture assigned to ResultPicture, with transparency, as a
    // layered picture: flattened onto a transparent canvas.
    Script("new.js",
           "SetVersion(8); var p = CreatePicture(3, 2, 32); p.Type = 'LAYER';"
           "var l = CreateBitmapLayer(1, 1); l.Bitmap.SetPixel(0, 0, 10, 20, 30, 255); l.X = 2; l.Y = 1;"
           "p.AddLayer(l); ResultPicture = p;");
    done = Run({"new.js", "-i", SamplePath(), "-o", "new.png"});
    EXPECT_EQ(done.exitStatus, 0) << done.err;
    const RgbaImage made = ReadPicture(dir_ / "new.png");
    EXPECT_TRUE(made.has_alpha);
    ExpectPixels(made, 3, 2, [](int x, int y) { return x == 2 && y == 1 ? Rgba{10, 20, 30, 255} : Rgba{}; });
}

TEST_F(Pictures, VersionEightWithoutAResultPictureWritesNothing) {
    for (const char* text : {"SetVersion(8); ResultPicture = null;",
                             "SetVersion(8); var p = CreatePicture(); p.Type = 'ANIMATION'; p.RemoveAniFrame(0); ResultPicture = p;"}) {
        SCOPED_TRACE(text);
        Script("none.js", text);
        Finished done = Run({"none.js", "-i", SamplePath(), "-o", "none.png"});
        EXPECT_EQ(done.exitStatus, 1);
        EXPECT_EQ(done.err.rfind("qfjs: ", 0), 0u) << done.err;
        EXPECT_FALSE(fs::exists(dir_ / "none.png"));
    }
    // Without --out the result picture does not matter.
    EXPECT_EQ(Run({"none.js", "-i", SamplePath()}).exitStatus, 0);
}

TEST_F(Pictures, VersionSevenResultLayersAreComposited) {
    // An opaque 4 x 3 layer; a 2 x 2 layer with alpha at (3, 1) with opacity
    // 50 that reaches past it; a hidden layer that would cover everything.
    Script("layers.js", R"(SetVersion(7);
var base = Image.CreateOutLayer(0, 4, 3);
for (var y = 0; y < 3; y++) for (var x = 0; x < 4; x++) base.PixelAt(x, y).SetRGBA(200, 100, 50);
var top = Image.CreateOutLayer(1, 2, 2, true);
top.X = 3; top.Y = 1; top.Opacity = 50;
top.PixelAt(0, 0).SetRGBA(0, 0, 255, 255);
top.PixelAt(1, 0).SetRGBA(0, 255, 0, 128);
top.PixelAt(0, 1).SetRGBA(255, 255, 255, 0);
top.PixelAt(1, 1).SetRGBA(10, 20, 30, 255);
var hidden = Image.CreateOutLayer(2, 9, 9);
hidden.Hidden = true;
)");
    Finished done = Run({"layers.js", "-o", "layers.png"});
    EXPECT_EQ(done.exitStatus, 0) << done.err;
    EXPECT_EQ(done.err, "");
    const RgbaImage out = ReadPicture(dir_ / "layers.png");
    EXPECT_TRUE(out.has_alpha);

    // Straight-alpha "over", the top layer's alpha scaled by its opacity.
    const Rgba base{200, 100, 50, 255};
    auto over = [](Rgba below, Rgba above, double opacity) {
        const double sa = above.a / 255.0 * opacity;
        const double da = below.a / 255.0;
        const double oa = sa + da * (1 - sa);
        if (oa <= 0) return Rgba{};
        auto mix = [&](int s, int d) { return Byte((s * sa + d * da * (1 - sa)) / oa); };
        return Rgba{mix(above.r, below.r), mix(above.g, below.g), mix(above.b, below.b), Byte(oa * 255)};
    };
    const Rgba top[2][2] = {{Rgba{0, 0, 255, 255}, Rgba{0, 255, 0, 128}},
                            {Rgba{255, 255, 255, 0}, Rgba{10, 20, 30, 255}}};
    ExpectPixels(out, 5, 3, [&](int x, int y) {
        const Rgba below = x < 4 ? base : Rgba{};
        if (x >= 3 && y >= 1) return over(below, top[y - 1][x - 3], 0.5);
        return below;
    }, 1);
}

TEST_F(Pictures, VersionSevenWithoutResultLayersWritesTheSourceUnchanged) {
    const RgbaImage sample = Sample();
    for (const char* text : {"SetVersion(7); Print(Image.LayerCount);",
                             "SetVersion(7); Image.CreateOutLayer(0, 5, 5).Hidden = true; Print(1);",
                             // A version 8 edit without SetVersion(8) is not a result.
                             "ResultPicture.Bitmap.SetPixel(0, 0, 1, 2, 3); Print(1);"}) {
        SCOPED_TRACE(text);
        Script("none.js", text);
        Finished done = Run({"none.js", "-i", SamplePath(), "-o", "same.png"});
        EXPECT_EQ(done.exitStatus, 0) << done.err;
        EXPECT_EQ(done.out, "1\n");
        EXPECT_EQ(done.err, "qfjs: the script made no visible result layer; same.png is the source picture unchanged\n");
        ExpectPixels(ReadPicture(dir_ / "same.png"), sample.width, sample.height,
                     [&](int x, int y) { return sample.At(x, y); });

        done = Run({"none.js", "-i", SamplePath(), "-o", "quiet.png", "--quiet"});
        EXPECT_EQ(done.exitStatus, 0);
        EXPECT_EQ(done.err, "");
        EXPECT_TRUE(fs::exists(dir_ / "quiet.png"));
    }
}

TEST_F(Pictures, SeveralInputsMakeALayeredSource) {
    // Layer 0 (bottom): 3 x 2 opaque red; layer 1: 2 x 4 green at half alpha.
    ASSERT_TRUE(qfhost::WritePngFile((dir_ / "red.png").string(), Solid(3, 2, Rgba{255, 0, 0, 255}, false), false));
    ASSERT_TRUE(qfhost::WritePngFile((dir_ / "green.v2.png").string(), Solid(2, 4, Rgba{0, 255, 0, 128}, true), true));

    Script("v8.js", R"(SetVersion(8);
var p = SourcePicture;
Print(p.Type, ' ', p.LayerCount, ' ', p.CanvasWidth, 'x', p.CanvasHeight);
for (var i = 0; i < p.LayerCount; i++) {
  var l = p.GetLayer(i);
  Print(l.Name, ' ', l.X, ',', l.Y, ' ', l.Bitmap.Width, 'x', l.Bitmap.Height);
}
Print(Image.FileName, ' ', Document.FilePath);
Print(ResultPicture.Equals(SourcePicture));
)");
    Finished done = Run({"v8.js", "-i", "red.png", "--in", "green.v2.png", "-o", "v8.png"});
    EXPECT_EQ(done.exitStatus, 0) << done.err;
    EXPECT_EQ(done.out, "LAYER 2 3x4\nred 0,0 3x2\ngreen.v2 0,0 2x4\nred.png " +
                            (fs::canonical(dir_) / "red.png").string() + "\ntrue\n");
    // The flattened layers: green over red where both are, green alone
    // below, transparent in the corner that neither covers.
    auto flat = [](int x, int y) {
        if (y < 2 && x < 2) return Rgba{127, 128, 0, 255};
        if (y < 2) return Rgba{255, 0, 0, 255};
        if (x < 2) return Rgba{0, 255, 0, 128};
        return Rgba{};
    };
    ExpectPixels(ReadPicture(dir_ / "v8.png"), 3, 4, flat, 1);

    Script("v7.js", R"(SetVersion(7);
Print(Image.LayerCount, ' ', Image.ActiveLayer, ' ', Image.FileName);
for (var i = 0; i < Image.LayerCount; i++) {
  var l = Image.CreateCopyLayer(i);
  Print(l.Name, ' ', l.Width, 'x', l.Height, ' ', l.Alpha, ' ', l.X, ',', l.Y, ' ', l.Hidden, ' ', l.Opacity);
}
Print(Image.GetInLayer(2));
)");
    done = Run({"v7.js", "-i", "red.png", "-i", "green.v2.png", "-o", "v7.png"});
    EXPECT_EQ(done.exitStatus, 0) << done.err;
    EXPECT_EQ(done.out, "2 0 red.png\nred 3x2 false 0,0 false 100\ngreen.v2 2x4 true 0,0 false 100\nnull\n");
    ExpectPixels(ReadPicture(dir_ / "v7.png"), 3, 4, flat, 1);
}

TEST_F(Pictures, SelectionAndColourReachBothVersions) {
    Script("doc.js", R"(var c = Document.CurrentColor;
Print(Document.FilePath, ' ', Image.FileName);
Print(Document.IsSelected(2, 3), Document.IsSelected(5, 7), Document.IsSelected(1, 3), Document.IsSelected(6, 3),
      Document.IsSelected(5, 8));
Print(c.R, ',', c.G, ',', c.B, ',', c.A, ',', c.I);
var l = Image.GetInLayer(0), a = l.ActiveColor;
Print(l.SelectX, ',', l.SelectY, ',', l.SelectWidth, ',', l.SelectHeight, ' ', l.IsSelected(5, 7), l.IsSelected(6, 7));
Print(a.r, ',', a.g, ',', a.b, ',', a.a, ',', a.i);
)");
    ASSERT_TRUE(qfhost::WritePngFile((dir_ / "in.png").string(), Solid(10, 10, Rgba{1, 2, 3, 255}, false), false));
    const std::string path = (fs::canonical(dir_) / "in.png").string();
    Finished done = Run({"doc.js", "-i", "in.png", "--selection", "2,3,4,5", "--color", "10,20.5,30,40,7"});
    EXPECT_EQ(done.exitStatus, 0) << done.err;
    EXPECT_EQ(done.out,
              path + " in.png\n"
              "truetruefalsefalsefalse\n"
              "10,20.5,30,40,7\n"
              "2,3,4,5 truefalse\n"
              "10,20.5,30,255,0\n");

    // Defaults: no selection (everything is selected), opaque black.
    done = Run({"doc.js", "-i", "in.png", "--color=1,2,3"});
    EXPECT_EQ(done.exitStatus, 0) << done.err;
    EXPECT_EQ(done.out,
              path + " in.png\n"
              "truetruetruetruetrue\n"
              "1,2,3,255,0\n"
              "0,0,10,10 truetrue\n"
              "1,2,3,255,0\n");
}

// --- The example filters ---

TEST_F(Pictures, ExampleInvert) {
    const RgbaImage sample = Sample();
    Finished done = Run({Filter("invert.js"), "-i", SamplePath(), "-o", "invert.png", "--quiet"});
    EXPECT_EQ(done.exitStatus, 0) << done.err;
    EXPECT_EQ(done.out + done.err, "");
    ExpectPixels(ReadPicture(dir_ / "invert.png"), sample.width, sample.height, [&](int x, int y) {
        const Rgba s = sample.At(x, y);
        return Rgba{std::uint8_t(255 - s.r), std::uint8_t(255 - s.g), std::uint8_t(255 - s.b), s.a};
    });
}

// The glow layer's pixel over an opaque source pixel.
Rgba Glow(Rgba source, int x, int y, int width, int height, int border, int opacity) {
    const int distance = std::min({x, y, width - 1 - x, height - 1 - y});
    if (distance >= border) return source;
    const double alpha = std::round(200.0 * (border - distance) / border);
    const double sa = alpha / 255.0 * opacity / 100.0;
    return Rgba{Byte(255 * sa + source.r * (1 - sa)), Byte(200 * sa + source.g * (1 - sa)),
                Byte(64 * sa + source.b * (1 - sa)), 255};
}

TEST_F(Pictures, ExampleGlowLayers) {
    const RgbaImage sample = Sample();
    Script("layers.js", "SetVersion(8); var p = ResultPicture; Print(p.LayerCount);"
                        "for (var i = 0; i < p.LayerCount; i++) Print(p.GetLayer(i).Name, ' ', p.GetLayer(i).Opacity);");
    struct Case {
        std::vector<std::string> params;
        int border;
        int opacity;
    } const cases[] = {{{}, 16, 80}, {{"-p", "5", "-p", "100"}, 5, 100}, {{"-p", "x", "-p", "101"}, 16, 80}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.border);
        std::vector<std::string> args = {Filter("glow_layers.js"), "-i", SamplePath(), "-o", "glow.png", "--quiet"};
        args.insert(args.end(), c.params.begin(), c.params.end());
        Finished done = Run(args);
        EXPECT_EQ(done.exitStatus, 0) << done.err;
        ExpectPixels(ReadPicture(dir_ / "glow.png"), sample.width, sample.height, [&](int x, int y) {
            return Glow(sample.At(x, y), x, y, sample.width, sample.height, c.border, c.opacity);
        }, 1);
    }
}

TEST_F(Pictures, ExampleGlowLayersOnSeveralInputs) {
    // A layered source keeps its layers; the glow covers the whole canvas.
    ASSERT_TRUE(qfhost::WritePngFile((dir_ / "a.png").string(), Solid(40, 30, Rgba{0, 0, 100, 255}, false), false));
    ASSERT_TRUE(qfhost::WritePngFile((dir_ / "b.png").string(), Solid(20, 10, Rgba{50, 50, 50, 255}, false), false));
    Finished done = Run({Filter("glow_layers.js"), "-i", "a.png", "-i", "b.png", "-p", "4", "-o", "glow.png", "--quiet"});
    EXPECT_EQ(done.exitStatus, 0) << done.err;
    ExpectPixels(ReadPicture(dir_ / "glow.png"), 40, 30, [](int x, int y) {
        const Rgba below = x < 20 && y < 10 ? Rgba{50, 50, 50, 255} : Rgba{0, 0, 100, 255};
        return Glow(below, x, y, 40, 30, 4, 80);
    }, 1);
}

Rgba Grey(Rgba s) {
    const std::uint8_t v = Byte(0.299 * s.r + 0.587 * s.g + 0.114 * s.b);
    return Rgba{v, v, v, s.a};
}

TEST_F(Pictures, ExampleGrayscaleVersionSeven) {
    const RgbaImage sample = Sample();
    Finished done = Run({Filter("grayscale_v7.js"), "-i", SamplePath(), "-o", "grey.png", "--quiet"});
    EXPECT_EQ(done.exitStatus, 0) << done.err;
    ExpectPixels(ReadPicture(dir_ / "grey.png"), sample.width, sample.height,
                 [&](int x, int y) { return Grey(sample.At(x, y)); });

    // With a selection only its pixels turn grey.
    done = Run({Filter("grayscale_v7.js"), "-i", SamplePath(), "-o", "part.png", "--selection", "10,20,50,30", "--quiet"});
    EXPECT_EQ(done.exitStatus, 0) << done.err;
    ExpectPixels(ReadPicture(dir_ / "part.png"), sample.width, sample.height, [&](int x, int y) {
        const bool selected = x >= 10 && x < 60 && y >= 20 && y < 50;
        return selected ? Grey(sample.At(x, y)) : sample.At(x, y);
    });
}

TEST_F(Pictures, ExampleGrayscaleKeepsAlphaAndLayers) {
    RgbaImage see(4, 3, true);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 4; ++x) see.Set(x, y, Rgba{std::uint8_t(60 * x), std::uint8_t(90 * y), 200, std::uint8_t(85 * x)});
    }
    ASSERT_TRUE(qfhost::WritePngFile((dir_ / "see.png").string(), see, true));
    ASSERT_TRUE(qfhost::WritePngFile((dir_ / "under.png").string(), Solid(4, 3, Rgba{0, 0, 0, 255}, false), false));

    Finished done = Run({Filter("grayscale_v7.js"), "-i", "see.png", "-o", "grey.png", "--quiet"});
    EXPECT_EQ(done.exitStatus, 0) << done.err;
    ExpectPixels(ReadPicture(dir_ / "grey.png"), 4, 3, [&](int x, int y) {
        const Rgba g = Grey(see.At(x, y));
        return g.a == 0 ? Rgba{} : g;
    });

    // Two layers: each turns grey, the see-through one stays above.
    done = Run({Filter("grayscale_v7.js"), "-i", "under.png", "-i", "see.png", "-o", "both.png", "--quiet"});
    EXPECT_EQ(done.exitStatus, 0) << done.err;
    ExpectPixels(ReadPicture(dir_ / "both.png"), 4, 3, [&](int x, int y) {
        const Rgba g = Grey(see.At(x, y));
        const double a = g.a / 255.0;
        const std::uint8_t v = Byte(g.r * a);
        return Rgba{v, v, v, 255};
    }, 1);
}

TEST_F(Pictures, ExamplePaletteVersionSeven) {
    const RgbaImage sample = Sample();
    const int darkest[3] = {20, 24, 82};
    const int lightest[3] = {255, 214, 80};
    for (const int count : {8, 3, 256}) {
        SCOPED_TRACE(count);
        std::vector<std::string> args = {Filter("palette_v7.js"), "-i", SamplePath(), "-o", "palette.png", "--quiet"};
        if (count != 8) args.insert(args.end(), {"-p", std::to_string(count)});
        Finished done = Run(args);
        EXPECT_EQ(done.exitStatus, 0) << done.err;
        ExpectPixels(ReadPicture(dir_ / "palette.png"), sample.width, sample.height, [&](int x, int y) {
            const Rgba s = sample.At(x, y);
            const int index = (299 * s.r + 587 * s.g + 114 * s.b) * count / 256000;
            const double t = index / (count - 1.0);
            Rgba c{0, 0, 0, 255};
            std::uint8_t* channels[3] = {&c.r, &c.g, &c.b};
            for (int i = 0; i < 3; ++i) *channels[i] = Byte(darkest[i] + (lightest[i] - darkest[i]) * t);
            return c;
        });
    }
}

TEST_F(Pictures, ExampleFiltersDescribeThemselves) {
    // Each filter opens with description lines, in Japanese too (the
    // console host's invert.js brings German instead).
    for (const char* name : {"invert.js", "glow_layers.js", "grayscale_v7.js", "palette_v7.js"}) {
        SCOPED_TRACE(name);
        const std::string text = ReadFile(ExamplesDir() / "filters" / name);
        EXPECT_EQ(text.rfind("//qfjs:", 0), 0u);
        const std::string header = text.substr(0, text.find("\n\n"));
        if (std::string(name) != "invert.js") {
            EXPECT_NE(header.find("\n//qfjs(ja_jp):"), std::string::npos);
        }
    }
}

}  // namespace
}  // namespace runner_test
