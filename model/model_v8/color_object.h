// Making ColorObjects: a live view of a bitmap pixel or palette entry, or a
// detached colour value.
#ifndef QFJS_MODEL_V8_COLOR_OBJECT_H
#define QFJS_MODEL_V8_COLOR_OBJECT_H

#include <cstdint>

#include <v8.h>

#include "qfjs/qf_interfaces.h"

namespace qfjsbinding {

struct TJSFilterContext;

enum TColorObjectKind : std::int32_t { ckValue = 0, ckPaletteEntry = 1, ckPixel = 2 };

// Each returns false when the engine could not make the object (an exception
// or a termination is pending).
bool NewPixelColorObject(v8::Local<v8::Context> context, TJSFilterContext* filter, IQFBitmap* bitmap,
                         std::int32_t x, std::int32_t y, v8::Local<v8::Object>* out);
bool NewPaletteColorObject(v8::Local<v8::Context> context, TJSFilterContext* filter, IQFBitmap* bitmap,
                           std::int32_t index, v8::Local<v8::Object>* out);
bool NewValueColorObject(v8::Local<v8::Context> context, TJSFilterContext* filter, double r, double g,
                         double b, double a, std::int32_t index, v8::Local<v8::Object>* out);

}  // namespace qfjsbinding

#endif
