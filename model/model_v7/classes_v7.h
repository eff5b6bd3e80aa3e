// The version 7 classes, one file each, and the functions by which one class
// makes objects of another. Every maker returns false when the engine could
// not make the object (an exception or a termination is then pending) or,
// where a record has to be allocated, when the heap is exhausted.
#ifndef QFJS_MODEL_V7_CLASSES_V7_H
#define QFJS_MODEL_V7_CLASSES_V7_H

#include <cstdint>

#include <v8.h>

#include "qfjs/dib.h"

namespace qfjsbinding {

struct TJSFilterContext;
struct TV7LayerData;

// Class templates (class name, internal fields, accessors, methods).
v8::Local<v8::FunctionTemplate> NewImageClass(v8::Isolate* isolate);
v8::Local<v8::FunctionTemplate> NewV7LayerClass(v8::Isolate* isolate);
v8::Local<v8::FunctionTemplate> NewPixelClass(v8::Isolate* isolate);
v8::Local<v8::FunctionTemplate> NewPaletteEntryClass(v8::Isolate* isolate);
v8::Local<v8::FunctionTemplate> NewColorClass(v8::Isolate* isolate);

// The global "Image" object (field 0 the filter context).
bool NewImageObject(v8::Local<v8::Context> context, TJSFilterContext* filter, v8::Local<v8::Object>* out);

// A Layer object on `record` (layer.cc).
bool NewV7LayerObject(v8::Local<v8::Context> context, TJSFilterContext* filter, TV7LayerData* record,
                      v8::Local<v8::Object>* out);

// Where one pixel lives, as Layer.PixelAt computed it. Direct colour (24 bits)
// has `pixel` (blue, green, red) and optionally `alpha` (the alpha plane's
// byte); index colour has `pixel` (the index), the image's colour table and
// optionally the alpha plane's colour table. Colour tables are always the
// tables of whole bitmaps, directly behind their headers.
struct PixelAddress {
    TV7LayerData* record = nullptr;
    int bitCount = 0;
    std::uint8_t* pixel = nullptr;
    std::uint8_t* alpha = nullptr;
    RGBQUAD* table = nullptr;
    RGBQUAD* alphaTable = nullptr;
};

// A Pixel object fixed to one pixel (pixel.cc).
bool NewPixelObject(v8::Local<v8::Context> context, TJSFilterContext* filter, const PixelAddress& where,
                    v8::Local<v8::Object>* out);

// A PaletteEntry object on a new engine record for entry `index` of
// `layer` (palette_entry.cc).
bool NewPaletteEntryObject(v8::Local<v8::Context> context, TJSFilterContext* filter, TV7LayerData* layer,
                           std::int32_t index, v8::Local<v8::Object>* out);

// A Color object on a new engine record holding the request's selection
// colour, seen through `layer` (color.cc).
bool NewV7ColorObject(v8::Local<v8::Context> context, TJSFilterContext* filter, TV7LayerData* layer,
                    v8::Local<v8::Object>* out);

}  // namespace qfjsbinding

#endif
