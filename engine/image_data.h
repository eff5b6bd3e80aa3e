// Bulk pixel access in the shape scripts know from the web platform's
// ImageData: a plain object { width, height, data } whose data is a
// Uint8ClampedArray of width * height * 4 bytes, rows top to bottom, R, G,
// B, A per pixel.
//
// Both object models offer GetImageData and PutImageData (the version 8
// Bitmap and the version 7 Layer); they differ only in where the pixels
// live. This file holds what they share: reading the arguments in a fixed
// order (every conversion before the first look at the pixels, so input
// that throws or is malformed never reaches the host), cutting a rectangle
// to a bitmap, and making the result object.
#ifndef QFJS_ENGINE_IMAGE_DATA_H
#define QFJS_ENGINE_IMAGE_DATA_H

#include <cstddef>
#include <cstdint>
#include <memory>

#include <v8.h>

namespace qfjsbinding::image_data {

// A rectangle of pixels: left and top inclusive, width and height in pixels.
struct Region {
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
};

enum class Outcome {
    kOk,         // arguments read
    kRefused,    // missing or malformed: the member answers null or false
    kException,  // a conversion threw; the member returns at once
};

// The arguments of GetImageData([x, y, width, height]). None: *whole is
// true (the whole bitmap). One to three: kRefused. Four or more: the first
// four converted with ToInt32, in order, into *region.
Outcome ReadRegionArguments(const v8::FunctionCallbackInfo<v8::Value>& info, Region* region, bool* whole);

// `region` cut to a bitmap of `width` x `height`; false when nothing of it
// lies inside (an empty region, or one entirely outside). Computed in 64
// bits, so no position or size can overflow.
bool CutToBitmap(const Region& region, std::int32_t width, std::int32_t height, Region* cut);

// An ImageData-shaped argument of PutImageData, ready to be copied from.
// `bytes` stays valid while `store` (or, for a small array kept inside the
// script heap, `copy`) is held and no script code runs.
struct Source {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t x = 0;  // where its top-left pixel goes
    std::int32_t y = 0;
    const std::uint8_t* bytes = nullptr;
    std::shared_ptr<v8::BackingStore> store;
    std::unique_ptr<std::uint8_t[]> copy;
};

// The arguments of PutImageData(imageData [, x, y]). With one argument the
// position is (0, 0); with two (x without y) or none: kRefused. Order:
// imageData's "width" (ToInt32), "height" (ToInt32) and "data" properties
// (getters may run), then x and y (ToInt32); only then is `data` checked,
// so a conversion cannot change the array after it was accepted. kRefused
// when imageData is not an object, width or height is not positive, or data
// is not a Uint8Array or Uint8ClampedArray of exactly width * height * 4
// bytes (a detached buffer has none).
Outcome ReadSourceArguments(const v8::FunctionCallbackInfo<v8::Value>& info, Source* source);

// A new Uint8ClampedArray of `length` bytes (not initialised: the caller
// fills every byte). The memory comes from the isolate's array-buffer
// allocator directly, because the engine's own path treats a refused
// allocation as a fatal error; here the script gets a RangeError instead
// (false, exception pending).
bool NewPixelArray(v8::Isolate* isolate, std::size_t length, v8::Local<v8::Uint8ClampedArray>* array,
                   std::uint8_t** bytes);

// The plain object { width, height, data } with those own data properties
// in that order. False with an exception pending when the engine fails.
bool NewImageDataObject(v8::Local<v8::Context> context, std::int32_t width, std::int32_t height,
                        v8::Local<v8::Uint8ClampedArray> data, v8::Local<v8::Object>* out);

// A channel value as a byte: rounded as Math.round does (to the nearest
// integer, halves towards +Infinity), then clamped to 0..255; NaN gives 0.
// This runs for every channel of every pixel, so it avoids floor() (a
// library call on baseline x86-64). Below 0.5 Math.round gives 0 or less,
// and from 254.5 up 255 or more. In between, value + 0.5 is exact (0.5 is a
// multiple of the value's last place there, and the sum stays below the
// next power of two or reaches it exactly), so truncating it is floor.
// Below 0.5 the sum could round up: 0.49999999999999994 + 0.5 gives 1.
inline std::uint8_t RoundChannel(double value) {
    if (!(value >= 0.5)) return 0;  // NaN too
    if (value >= 254.5) return 255;
    return static_cast<std::uint8_t>(static_cast<int>(value + 0.5));
}

// A host's integer channel (a palette entry) clamped to 0..255.
inline std::uint8_t ClampChannel(int value) {
    return static_cast<std::uint8_t>(value < 0 ? 0 : value > 255 ? 255 : value);
}

}  // namespace qfjsbinding::image_data

#endif
