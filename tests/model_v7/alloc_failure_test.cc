// When the heap refuses a bitmap, the method that asked for it returns null
// or changes nothing, releases what it had already allocated, and leaves no
// half-made result layer behind.
//
// This program replaces the C library's calloc and free (the engine's
// blocks come from calloc) with versions that refuse or watch allocations
// of chosen sizes; it is a separate test program so that no other test runs
// under them.
#include <atomic>
#include <cstddef>
#include <string>

#include <gtest/gtest.h>

#include "tests/model_v7/v7_fixture.h"

extern "C" void* __libc_calloc(std::size_t count, std::size_t size);
extern "C" void __libc_free(void* block);

namespace {

struct SizeRange {
    std::atomic<std::size_t> from{0};
    std::atomic<std::size_t> to{0};
    bool Contains(std::size_t bytes) const { return bytes >= from && bytes < to; }
    void Set(std::size_t f, std::size_t t) {
        from = f;
        to = t;
    }
};

SizeRange g_refused;          // calloc answers null for these sizes
SizeRange g_watched;          // the last block of these sizes is watched
std::atomic<void*> g_watchedBlock{nullptr};
std::atomic<bool> g_watchedFreed{false};
std::atomic<long> g_callocCalls{0};

}  // namespace

extern "C" void* calloc(std::size_t count, std::size_t size) {
    ++g_callocCalls;
    const std::size_t bytes = count * size;
    if (g_refused.Contains(bytes)) return nullptr;
    void* block = __libc_calloc(count, size);
    if (block && g_watched.Contains(bytes)) {
        g_watchedBlock = block;
        g_watchedFreed = false;
    }
    return block;
}

extern "C" void free(void* block) {
    if (block && block == g_watchedBlock.load()) g_watchedFreed = true;
    __libc_free(block);
}

namespace v7test {
namespace {

using qfjs_test::Outcome;

// A 3000 x 3000 direct-colour image takes 27,000,040 bytes, its alpha plane
// 9,001,064 bytes, an index-colour image of that size with 16 entries
// 9,000,104 bytes.
constexpr std::size_t kDirectImage = 27000040;
constexpr std::size_t kAlphaPlane = 9001064;
constexpr std::size_t kIndexImage16 = 9000104;

class AllocationFailure : public V7Test {
protected:
    // A memory checker that brings its own heap functions replaces these
    // too; then nothing can be injected.
    void SetUp() override {
        const long before = g_callocCalls;
        void* probe = std::calloc(1, 1);
        std::free(probe);
        if (g_callocCalls == before) GTEST_SKIP() << "the C heap functions cannot be replaced here";
    }
    void TearDown() override {
        g_refused.Set(0, 0);
        g_watched.Set(0, 0);
        g_watchedBlock = nullptr;
    }
};

TEST_F(AllocationFailure, ImageThatCannotBeMadeGivesNull) {
    g_refused.Set(kDirectImage, kDirectImage + 1);
    const Outcome outcome = Run("Print(Image.CreateOutLayer(0, 3000, 3000, true))");
    EXPECT_EQ(host.messages, std::vector<std::string>{"null"});
    EXPECT_TRUE(ResultLayers(outcome).empty()) << outcome.text;
}

TEST_F(AllocationFailure, AlphaPlaneThatCannotBeMadeReleasesTheImage) {
    g_watched.Set(kDirectImage, kDirectImage + 1);
    g_refused.Set(kAlphaPlane, kAlphaPlane + 1);
    const Outcome outcome =
        Run("var l = Image.CreateOutLayer(4, 2, 2); l.Name = 'keep';"
            "Print(Image.CreateOutLayer(4, 3000, 3000, true), ' ', l.Width, ' ', l.Name);");
    EXPECT_EQ(host.messages, std::vector<std::string>{"null 2 keep"});
    EXPECT_NE(g_watchedBlock.load(), nullptr);
    EXPECT_TRUE(g_watchedFreed) << "the image made before the alpha plane failed was kept";
    const picojson::array layers = ResultLayers(outcome);
    ASSERT_EQ(layers.size(), 1u);
    EXPECT_EQ(BitmapAt(layers[0].get("Image"))->bmiHeader.biWidth, 2);
    EXPECT_EQ(layers[0].get("Alpha").get<std::string>(), "0");
    EXPECT_EQ(layers[0].get("Name").get<std::string>(), "keep");
}

TEST_F(AllocationFailure, ColourTableResizeThatCannotBeMadeChangesNothing) {
    g_refused.Set(kIndexImage16, kIndexImage16 + 1);
    const Outcome outcome = Run("var l = Image.CreateOutLayer(0, 3000, 3000, false, true); l.PixelAt(5, 5).i = 200;"
                                "l.PaletteEntryCount = 16; Print(l.PaletteEntryCount, ' ', l.PixelAt(5, 5).i);");
    EXPECT_EQ(host.messages, std::vector<std::string>{"256 200"});
    ASSERT_EQ(ResultLayers(outcome).size(), 1u);
    EXPECT_EQ(BitmapAt(ResultLayers(outcome)[0].get("Image"))->bmiHeader.biClrUsed, 256u);
}

}  // namespace
}  // namespace v7test
