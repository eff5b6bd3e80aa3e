// Registration of the version 7 classes (Image, Layer, Pixel, PaletteEntry,
// Color) and the global "Image".
#ifndef QFJS_MODEL_V7_REGISTER_V7_H
#define QFJS_MODEL_V7_REGISTER_V7_H

#include <v8.h>

namespace qfjsbinding {

struct TJSFilterContext;

// Creates the five class templates and keeps them in the context.
void RegisterV7Classes(v8::Local<v8::ObjectTemplate> global, TJSFilterContext* context);

// Sets the global "Image" in the entered script context. False when the
// engine could not make the object (an exception or termination is pending).
bool RegisterV7ContextData(v8::Local<v8::ObjectTemplate> global, v8::Local<v8::Context> scriptContext,
                           TJSFilterContext* context);

}  // namespace qfjsbinding

#endif
