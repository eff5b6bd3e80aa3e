// A small host for version 7 scripts: it owns device-independent bitmaps,
// hands them out through the "GetV7Bitmap" and "GetV7LayerData" callbacks and
// records every call.
//
// Host bitmaps sit 16 bytes into their heap blocks, so the engine freeing one
// (which it must never do) stops the process in the C library or the memory
// checker instead of passing unnoticed; the host releases its blocks itself,
// and counts them.
#ifndef QFJS_TESTS_MODEL_V7_V7_TEST_HOST_H
#define QFJS_TESTS_MODEL_V7_V7_TEST_HOST_H

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "qfjs/dib.h"
#include "tests/support/script_harness.h"

namespace v7test {

// Row bytes as the published layout defines them (computed here, not by the
// engine, so the tests check the engine's addressing independently).
int RowBytes(const BITMAPINFO* dib);
int TableSize(const BITMAPINFO* dib);
// Pixel (x, y), row 0 at the top, which is stored last.
std::uint8_t* PixelOf(BITMAPINFO* dib, int x, int y);
RGBQUAD* TableOf(BITMAPINFO* dib);

class V7TestHost : public qfjs_test::Recorder {
public:
    struct Layer {
        std::optional<std::string> name;  // null name when unset
        int x = 0;
        int y = 0;
        bool hidden = false;
        unsigned opacity = 100;
        BITMAPINFO* image = nullptr;
        BITMAPINFO* alpha = nullptr;
    };

    V7TestHost() = default;
    ~V7TestHost();
    V7TestHost(const V7TestHost&) = delete;
    V7TestHost& operator=(const V7TestHost&) = delete;

    // A zero-filled host bitmap: 8-bit index colour with `entries` table
    // entries (biClrUsed = entries, or 0 for 256) or 24-bit direct colour.
    BITMAPINFO* NewBitmap(int width, int height, int bitCount, int entries = 256);
    // A direct-colour image's alpha plane (w x h, grey ramp) filled with
    // `alpha`, or an index image's 16 x 16 plane whose table holds `alpha`.
    BITMAPINFO* NewAlphaPlane(int width, int height, bool forIndexImage, std::uint8_t alpha);

    // Source picture: a "SINGLE" picture (image and alpha given out by
    // "GetV7Bitmap" for kSingleHandle) or "LAYERED" with `layers`, listed in
    // "V7Layers" as the handles 1, 2, ...
    bool single = false;
    BITMAPINFO* singleImage = nullptr;
    BITMAPINFO* singleAlpha = nullptr;
    std::vector<Layer> layers;
    static constexpr std::uintptr_t kSingleHandle = 4096;

    // Every callback, as "bitmap <handle>" or "layer <handle>".
    std::vector<std::string> calls;

    long bitmapsAllocated() const { return allocated_; }
    long bitmapsReleased() const { return released_; }
    bool Owns(const void* bitmap) const;

    // A request with valid defaults for this host: "HostData" is this host,
    // the version 7 callbacks are its own, the source picture and "V7Layers"
    // follow `single` and `layers`.
    qfjs_test::Request MakeRequest();

    static bool GetV7Bitmap(const void* hostData, const void* handle, void** image, void** alpha);
    static bool GetV7LayerData(const void* hostData, const void* handle, const char** name, int* x, int* y,
                               bool* hidden, unsigned* opacity, void** image, void** alpha);

private:
    std::string nameBuffer_;
    std::vector<unsigned char*> blocks_;  // heap blocks; the bitmaps start 16 bytes in
    long allocated_ = 0;
    long released_ = 0;
};

}  // namespace v7test

#endif
