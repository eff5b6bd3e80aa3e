// Who releases what: the engine never releases a host bitmap, and releases
// every block it allocated (bitmaps, palette-resize copies, entry and colour
// records) when the context is destroyed, not before.
#include <malloc.h>

#include <cstdint>
#include <string>

#include <gtest/gtest.h>

#include "tests/model_v7/v7_fixture.h"

namespace v7test {
namespace {

using qfjs_test::Outcome;

// Bytes the C heap has handed out and not taken back.
std::size_t HeapInUse() {
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

TEST(Ownership, HostBitmapsOutliveTheContextUntouched) {
    V7TestHost host;
    BITMAPINFO* image = host.NewBitmap(4, 4, 8, 16);
    BITMAPINFO* alpha = host.NewAlphaPlane(4, 4, true, 10);
    V7TestHost::Layer layer;
    layer.image = image;
    layer.alpha = alpha;
    host.layers.push_back(layer);
    host.single = false;
    {
        qfjs_test::ScriptContext context;
        // Result layers on host bitmaps, replaced ones, and host bitmaps the
        // script only read: none of them is the engine's to release.
        const Outcome outcome = context.Run(
            "var l = Image.CreateCopyLayer(0); l.PixelAt(1, 1).i = 9; l.GetPaletteEntry(9).SetRGBA(1, 2, 3, 4);"
            "l.PaletteEntryCount = 8; Image.GetInLayer(0); Image.CreateCopyLayer(0);"
            "Image.CreateOutLayer(0, 2, 2);",
            host.MakeRequest());
        ASSERT_EQ(outcome.scriptResult(), 0) << outcome.errorMessage();
        // A released host bitmap would make the C library stop the process
        // here or when the host frees its blocks: the engine sees addresses
        // 16 bytes into the host's heap blocks.
    }
    EXPECT_EQ(*PixelOf(image, 1, 1), 9);
    EXPECT_EQ(TableOf(image)[9].rgbBlue, 3);
    EXPECT_EQ(TableOf(alpha)[9].rgbGreen, 4);
    EXPECT_EQ(host.bitmapsReleased(), 0);
    EXPECT_EQ(host.bitmapsAllocated(), 2);
}

TEST(Ownership, EngineBlocksLiveUntilTheContextIsDestroyed) {
    V7TestHost host;
    V7TestHost::Layer layer;
    layer.image = host.NewBitmap(8, 8, 8);
    host.layers.push_back(layer);
    const std::size_t before = HeapInUse();
    if (before == 0) {
        // A memory checker has replaced the C heap and keeps its own books;
        // its leak report covers what this test measures.
        GTEST_SKIP() << "heap statistics are not available";
    }

    qfjs_test::ScriptContext context;
    // About 4 x 6.75 MB of bitmaps and alpha planes, the copies of two
    // colour-table resizes, and a few thousand entry and colour records.
    constexpr std::size_t kBitmapBytes = 4u * 1500u * 4500u + 2u * 1500u * 1500u + 2u * 1000u * 1000u;
    const Outcome first = context.Run(
        "for (var i = 0; i < 4; i++) Image.CreateOutLayer(i, 1500, 1500, i < 2);"
        "var x = Image.CreateOutLayer(9, 1000, 1000, true, true); x.PaletteEntryCount = 16; x.PaletteEntryCount = 4;"
        "var c = Image.CreateCopyLayer(0);"
        "for (var i = 0; i < 2000; i++) { c.GetPaletteEntry(i).r = i; c.ActiveColor.r; }",
        host.MakeRequest());
    ASSERT_EQ(first.scriptResult(), 0) << first.errorMessage();
    // Result bitmaps stay readable after the call, across a later execution.
    const Outcome second = context.Run("Image.CreateOutLayer(20, 1, 1)", host.MakeRequest());
    ASSERT_EQ(ResultLayers(second).size(), 6u);  // 0 (now the copy), 1, 2, 3, 9, 20
    BITMAPINFO* resized = BitmapAt(ResultLayers(second)[4].get("Image"));
    EXPECT_EQ(resized->bmiHeader.biClrUsed, 4u);
    EXPECT_EQ(resized->bmiHeader.biWidth, 1000);
    const std::size_t during = HeapInUse();
    EXPECT_GE(during, before + kBitmapBytes);

    context.Destroy();
    const std::size_t after = HeapInUse();
    // What stays is the engine's own small change, far below one bitmap.
    EXPECT_LT(after, before + 2u * 1024u * 1024u) << "before " << before << ", during " << during;
    EXPECT_EQ(host.bitmapsReleased(), 0);
}

}  // namespace
}  // namespace v7test
