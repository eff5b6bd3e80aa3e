// PNG files: every input kind, refusal of bad files, and what is written.
#include <png.h>

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "host/lib/qfhost.h"
#include "tests/host/test_png.h"

namespace {

using qfhost::AsPicture;
using qfhost::Bitmap;
using qfhost::Factory;
using qfhost::Picture;
using qfhost::PixelFormat;
using qfhost::Rgba;
using qfhost_test::PngPixels;
using qfhost_test::PngLayout;
using Row = std::vector<std::uint8_t>;

struct ReadCase {
    const char* name;
    PngLayout layout;
    const char* options;
    const char* pixelType;
    bool alpha;
    std::vector<Rgba> topRow;  // the colours of row 0
};

PngLayout Layout(int colorType, int depth, std::vector<Row> rows, int width = 3) {
    PngLayout s;
    s.width = width;
    s.height = static_cast<int>(rows.size());
    s.colorType = colorType;
    s.bitDepth = depth;
    s.rows = std::move(rows);
    return s;
}

class PngIoTest : public ::testing::Test {
protected:
    Picture* Load(const std::string& path, const char* options = "") {
        return AsPicture(factory.LoadPicture(path.c_str(), options));
    }
    std::string Write(const std::string& name, const PngLayout& layout) {
        const std::string path = dir.File(name);
        EXPECT_TRUE(qfhost_test::WritePng(path, layout));
        return path;
    }
    Bitmap* Image(Rgba a, Rgba b, PixelFormat format) {
        Bitmap* bitmap = factory.MakeBitmap(2, 1, format);
        bitmap->SetPixelColor(0, 0, a);
        bitmap->SetPixelColor(1, 0, b);
        return bitmap;
    }

    Factory factory;
    qfhost_test::TempDir dir;
};

TEST_F(PngIoTest, ReadsEveryColourTypeAndDepth) {
    PngLayout palette8 = Layout(PNG_COLOR_TYPE_PALETTE, 8, {{0, 3, 1}, {2, 2, 2}});
    palette8.palette = {255, 0, 0, 0, 255, 0, 0, 0, 255, 9, 9, 9};
    palette8.paletteAlpha = {128, 0};
    PngLayout palette2 = Layout(PNG_COLOR_TYPE_PALETTE, 2, {{0b00011000}});  // 0, 1, 2
    palette2.palette = {10, 20, 30, 40, 50, 60, 70, 80, 90};
    PngLayout greyKey = Layout(PNG_COLOR_TYPE_GRAY, 8, {{7, 8, 9}});
    greyKey.transparentGrey = 8;
    PngLayout interlaced = Layout(PNG_COLOR_TYPE_RGB, 8, {{1, 2, 3, 4, 5, 6, 7, 8, 9}, {0, 0, 0, 0, 0, 0, 0, 0, 0}});
    interlaced.interlaced = true;

    const ReadCase cases[] = {
        {"grey8", Layout(PNG_COLOR_TYPE_GRAY, 8, {{0, 128, 255}, {1, 2, 3}}), "", "RGB24", false,
         {{0, 0, 0, 255}, {128, 128, 128, 255}, {255, 255, 255, 255}}},
        {"grey1", Layout(PNG_COLOR_TYPE_GRAY, 1, {{0xA0}}), "", "RGB24", false,
         {{255, 255, 255, 255}, {0, 0, 0, 255}, {255, 255, 255, 255}}},
        {"grey4", Layout(PNG_COLOR_TYPE_GRAY, 4, {{0xF0, 0x80}}), "", "RGB24", false,
         {{255, 255, 255, 255}, {0, 0, 0, 255}, {136, 136, 136, 255}}},
        {"grey16", Layout(PNG_COLOR_TYPE_GRAY, 16, {{0xFF, 0xFF, 0x80, 0x80, 0, 0}}), "", "RGB24", false,
         {{255, 255, 255, 255}, {128, 128, 128, 255}, {0, 0, 0, 255}}},
        {"greyKey", greyKey, "", "RGBA32", true, {{7, 7, 7, 255}, {8, 8, 8, 0}, {9, 9, 9, 255}}},
        {"greyAlpha8", Layout(PNG_COLOR_TYPE_GRAY_ALPHA, 8, {{100, 50, 0, 0, 255, 255}}), "", "RGBA32", true,
         {{100, 100, 100, 50}, {0, 0, 0, 0}, {255, 255, 255, 255}}},
        {"greyAlpha16", Layout(PNG_COLOR_TYPE_GRAY_ALPHA, 16, {{0x7F, 0x7F, 0xFF, 0xFF, 0, 0, 0, 0, 0xFF, 0xFF, 0, 0}}),
         "", "RGBA32", true, {{127, 127, 127, 255}, {0, 0, 0, 0}, {255, 255, 255, 0}}},
        {"rgb8", Layout(PNG_COLOR_TYPE_RGB, 8, {{1, 2, 3, 4, 5, 6, 7, 8, 9}}), "", "RGB24", false,
         {{1, 2, 3, 255}, {4, 5, 6, 255}, {7, 8, 9, 255}}},
        {"rgb16",
         Layout(PNG_COLOR_TYPE_RGB, 16, {{0xFF, 0xFF, 0, 0, 0x7F, 0x7F, 0, 0, 0, 0, 0, 0, 0x80, 0x80, 0x80, 0x80, 0xFF, 0xFF}}),
         "", "RGB24", false, {{255, 0, 127, 255}, {0, 0, 0, 255}, {128, 128, 255, 255}}},
        {"rgba8", Layout(PNG_COLOR_TYPE_RGB_ALPHA, 8, {{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}}), "", "RGBA32", true,
         {{1, 2, 3, 4}, {5, 6, 7, 8}, {9, 10, 11, 12}}},
        {"rgba16",
         Layout(PNG_COLOR_TYPE_RGB_ALPHA, 16,
              {{0xFF, 0xFF, 0, 0, 0, 0, 0x7F, 0x7F, 0, 0, 0xFF, 0xFF, 0, 0, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0}}),
         "", "RGBA32", true, {{255, 0, 0, 127}, {0, 255, 0, 255}, {0, 0, 0, 0}}},
        {"palette8", palette8, "", "INDEX8", true, {{255, 0, 0, 128}, {9, 9, 9, 255}, {0, 255, 0, 0}}},
        {"palette8expanded", palette8, "{\"IndexColor\":false}", "RGBA32", true,
         {{255, 0, 0, 128}, {9, 9, 9, 255}, {0, 255, 0, 0}}},
        {"palette2", palette2, "", "INDEX8", false, {{10, 20, 30, 255}, {40, 50, 60, 255}, {70, 80, 90, 255}}},
        {"palette2expanded", palette2, "{\"IndexColor\":false,\"Other\":1}", "RGB24", false,
         {{10, 20, 30, 255}, {40, 50, 60, 255}, {70, 80, 90, 255}}},
        {"interlaced", interlaced, "", "RGB24", false, {{1, 2, 3, 255}, {4, 5, 6, 255}, {7, 8, 9, 255}}},
    };
    for (const ReadCase& c : cases) {
        SCOPED_TRACE(c.name);
        Picture* p = Load(Write(std::string(c.name) + ".png", c.layout), c.options);
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(p->GetType(), "SINGLE");
        Bitmap* b = p->bitmap();
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(b->GetWidth(), c.layout.width);
        EXPECT_EQ(b->GetHeight(), c.layout.height);
        EXPECT_EQ(b->GetPixelType(), c.pixelType);
        EXPECT_EQ(b->HasAlpha(), c.alpha);
        for (int x = 0; x < 3; ++x) {
            const Rgba got = b->PixelColor(x, 0), want = c.topRow[static_cast<std::size_t>(x)];
            EXPECT_EQ(got, want) << "x " << x << ": " << int(got.r) << "," << int(got.g) << "," << int(got.b) << ","
                                 << int(got.a);
        }
    }
}

TEST_F(PngIoTest, PaletteImagesKeepTheirPaletteAndIndices) {
    PngLayout layout = Layout(PNG_COLOR_TYPE_PALETTE, 8, {{0, 3, 1}});
    layout.palette = {255, 0, 0, 0, 255, 0, 0, 0, 255, 9, 9, 9};
    layout.paletteAlpha = {128};
    Picture* p = Load(Write("p.png", layout));
    ASSERT_NE(p, nullptr);
    Bitmap* b = p->bitmap();
    EXPECT_EQ(b->GetPaletteCount(), 4);
    EXPECT_EQ(b->GetPixelI(1, 0), 3);
    EXPECT_EQ(b->GetPaletteA(0), 128);
    EXPECT_EQ(b->GetPaletteA(1), 255);
    EXPECT_EQ(b->GetPaletteB(2), 255);
}

TEST_F(PngIoTest, RefusesFilesThatAreNotUsablePng) {
    const std::string good = Write("good.png", Layout(PNG_COLOR_TYPE_RGB, 8, {{1, 2, 3, 4, 5, 6, 7, 8, 9}}));
    const std::string bytes = qfhost_test::ReadFile(good);
    ASSERT_GT(bytes.size(), 40u);
    std::string badCrc = bytes;
    badCrc[29] = static_cast<char>(badCrc[29] ^ 0xFF);  // first byte of the header's CRC
    const std::pair<const char*, std::string> files[] = {
        {"empty", ""},
        {"text", "hello, this is not a picture"},
        {"signature only", bytes.substr(0, 8)},
        {"signature and garbage", bytes.substr(0, 8) + std::string(200, '\x5a')},
        {"truncated header", bytes.substr(0, 20)},
        {"truncated data", bytes.substr(0, bytes.size() / 2)},
        {"missing end", bytes.substr(0, bytes.size() - 12)},
        {"corrupted header crc", badCrc},
    };
    for (const auto& [name, content] : files) {
        const std::string path = dir.File(std::string(name) + ".png");
        qfhost_test::WriteFile(path, content);
        EXPECT_EQ(Load(path), nullptr) << name;
    }
    EXPECT_EQ(Load(dir.File("missing.png")), nullptr);
    EXPECT_EQ(Load(dir.path()), nullptr);  // a directory
    EXPECT_EQ(Load(""), nullptr);
    EXPECT_EQ(factory.LoadPicture(nullptr, ""), nullptr);
    ASSERT_NE(Load(good), nullptr);
    for (const char* badOptions : {"{", "[]", "7", "{\"IndexColor\":1}"}) {
        EXPECT_EQ(Load(good, badOptions), nullptr) << badOptions;
    }
    EXPECT_NE(Load(good, nullptr), nullptr);
}

TEST_F(PngIoTest, RefusesPicturesBeyondTheSizeLimits) {
    PngLayout wide = Layout(PNG_COLOR_TYPE_GRAY, 1, {Row(5000, 0)}, 40000);
    EXPECT_EQ(Load(Write("wide.png", wide)), nullptr);
    PngLayout limit = Layout(PNG_COLOR_TYPE_GRAY, 1, {Row(3750, 0)}, 30000);
    Picture* p = Load(Write("limit.png", limit));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->GetCanvasWidth(), 30000);
}

TEST_F(PngIoTest, WritesRgbOrRgbaAsTheImageNeeds) {
    struct SaveCase {
        const char* name;
        PixelFormat format;
        const char* options;
        bool pngAlpha;
        Rgba second;  // what the file holds for the second pixel
    };
    const Rgba first{10, 20, 30, 255}, second{200, 100, 50, 0};
    const SaveCase cases[] = {
        {"rgb", PixelFormat::kRgb24, "", false, {200, 100, 50, 255}},
        {"rgba", PixelFormat::kRgba32, "", true, {200, 100, 50, 0}},
        {"rgba forced rgb", PixelFormat::kRgba32, "{\"Alpha\":false}", false, {255, 255, 255, 255}},
        {"rgba on black", PixelFormat::kRgba32, "{\"Alpha\":false,\"Background\":[0,0,0]}", false, {0, 0, 0, 255}},
        {"rgb forced rgba", PixelFormat::kRgb24, "{\"Alpha\":true}", true, {200, 100, 50, 255}},
        {"auto", PixelFormat::kRgba32, "{\"Alpha\":null,\"Compression\":9}", true, {200, 100, 50, 0}},
    };
    for (const SaveCase& c : cases) {
        SCOPED_TRACE(c.name);
        Picture* p = factory.NewSinglePicture(Image(first, second, c.format));
        const std::string path = dir.File(std::string(c.name) + ".png");
        ASSERT_TRUE(factory.SavePicture(p, path.c_str(), c.options));
        PngPixels png;
        ASSERT_TRUE(qfhost_test::ReadPng(path, &png));
        EXPECT_EQ(png.width, 2);
        EXPECT_EQ(png.hasAlpha, c.pngAlpha);
        EXPECT_TRUE(png.hasColor);
        EXPECT_FALSE(png.colormapped);
        EXPECT_EQ((Rgba{png.At(0, 0, 0), png.At(0, 0, 1), png.At(0, 0, 2), png.At(0, 0, 3)}), first);
        EXPECT_EQ((Rgba{png.At(1, 0, 0), png.At(1, 0, 1), png.At(1, 0, 2), png.At(1, 0, 3)}), c.second);
        EXPECT_FALSE(std::filesystem::exists(path + ".qfhost-partial"));
    }
}

TEST_F(PngIoTest, RoundTripKeepsThePixels) {
    for (PixelFormat format : {PixelFormat::kRgb24, PixelFormat::kRgba32}) {
        Bitmap* b = factory.MakeBitmap(5, 4, format);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 5; ++x)
                b->SetPixelColor(x, y, Rgba{static_cast<std::uint8_t>(x * 50), static_cast<std::uint8_t>(y * 60), 7,
                                            static_cast<std::uint8_t>(255 - x - y)});
        const std::string path = dir.File("round.png");
        ASSERT_TRUE(factory.WritePicture(factory.NewSinglePicture(b), path));
        Picture* back = factory.ReadPicture(path);
        ASSERT_NE(back, nullptr);
        EXPECT_TRUE(back->bitmap()->SameContent(*b)) << qfhost::PixelTypeName(format);
    }
}

TEST_F(PngIoTest, WritesIndexLayerAndAnimationPicturesFlattened) {
    Bitmap* index = factory.MakeBitmap(2, 1, PixelFormat::kIndex8, 2);
    index->SetPixelIndex(1, 0, 1);
    const std::string indexPath = dir.File("index.png");
    ASSERT_TRUE(factory.WritePicture(factory.NewSinglePicture(index), indexPath));
    PngPixels png;
    ASSERT_TRUE(qfhost_test::ReadPng(indexPath, &png));
    EXPECT_FALSE(png.hasAlpha);
    EXPECT_EQ(png.At(0, 0, 0), 0);
    EXPECT_EQ(png.At(1, 0, 0), 255);

    Picture* layered = factory.NewLayerPicture(3, 2);
    layered->AppendLayer(factory.NewBitmapLayer("a", Image({255, 0, 0, 255}, {0, 255, 0, 255}, PixelFormat::kRgb24), 1, 1));
    const std::string layerPath = dir.File("layer.png");
    ASSERT_TRUE(factory.WritePicture(layered, layerPath));
    ASSERT_TRUE(qfhost_test::ReadPng(layerPath, &png));
    EXPECT_EQ(png.width, 3);
    EXPECT_EQ(png.height, 2);
    EXPECT_TRUE(png.hasAlpha);  // the canvas is not covered
    EXPECT_EQ(png.At(0, 0, 3), 0);
    EXPECT_EQ(png.At(1, 1, 0), 255);
    EXPECT_EQ(png.At(2, 1, 1), 255);

    Picture* animation = factory.NewAnimationPicture(2, 1);
    animation->AppendFrame(Image({1, 1, 1, 255}, {1, 1, 1, 255}, PixelFormat::kRgb24));
    animation->AppendFrame(Image({2, 2, 2, 255}, {2, 2, 2, 255}, PixelFormat::kRgb24));
    const std::string animationPath = dir.File("animation.png");
    ASSERT_TRUE(factory.WritePicture(animation, animationPath));  // the current frame: the last added
    ASSERT_TRUE(qfhost_test::ReadPng(animationPath, &png));
    EXPECT_EQ(png.At(0, 0, 0), 2);
    ASSERT_TRUE(factory.WritePicture(animation, animationPath, "{\"Frame\":0}"));
    ASSERT_TRUE(qfhost_test::ReadPng(animationPath, &png));
    EXPECT_EQ(png.At(0, 0, 0), 1);
    EXPECT_FALSE(factory.WritePicture(animation, animationPath, "{\"Frame\":2}"));
}

TEST_F(PngIoTest, SaveFailuresReturnFalse) {
    Picture* p = factory.NewSinglePicture(Image({1, 2, 3, 255}, {4, 5, 6, 255}, PixelFormat::kRgb24));
    const std::string path = dir.File("ok.png");
    EXPECT_FALSE(factory.SavePicture(nullptr, path.c_str(), ""));
    EXPECT_FALSE(factory.SavePicture(p, nullptr, ""));
    EXPECT_FALSE(factory.SavePicture(p, "", ""));
    EXPECT_FALSE(factory.SavePicture(p, dir.File("no/such/dir/x.png").c_str(), ""));
    EXPECT_FALSE(factory.SavePicture(factory.NewSinglePicture(nullptr), path.c_str(), ""));
    EXPECT_FALSE(factory.SavePicture(factory.NewAnimationPicture(2, 2), path.c_str(), ""));
    Factory other;
    EXPECT_FALSE(factory.SavePicture(other.NewSinglePicture(other.MakeBitmap(1, 1, PixelFormat::kRgb24)),
                                     path.c_str(), ""));
    for (const char* bad : {"{", "[1]", "{\"Alpha\":\"yes\"}", "{\"Background\":[1,2]}",
                            "{\"Background\":[1,2,300]}", "{\"Compression\":10}", "{\"Frame\":1.5}"}) {
        EXPECT_FALSE(factory.SavePicture(p, path.c_str(), bad)) << bad;
    }
    EXPECT_FALSE(std::filesystem::exists(path));

    // A directory in the way: nothing is written, nothing is left behind.
    const std::string blocked = dir.File("blocked");
    std::filesystem::create_directory(blocked);
    EXPECT_FALSE(factory.SavePicture(p, blocked.c_str(), ""));
    EXPECT_TRUE(std::filesystem::is_directory(blocked));
    EXPECT_FALSE(std::filesystem::exists(blocked + ".qfhost-partial"));

    // An existing file is replaced only by a complete new one.
    ASSERT_TRUE(factory.SavePicture(p, path.c_str(), ""));
    const std::string before = qfhost_test::ReadFile(path);
    EXPECT_FALSE(factory.SavePicture(p, path.c_str(), "{\"Compression\":99}"));
    EXPECT_EQ(qfhost_test::ReadFile(path), before);
}

}  // namespace
