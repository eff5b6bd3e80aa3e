#include "model/model_v7/register_v7.h"

#include "engine/filter_context.h"
#include "engine/js_convert.h"
#include "model/model_v7/classes_v7.h"

namespace qfjsbinding {

using v8::Local;

void RegisterV7Classes(Local<v8::ObjectTemplate>, TJSFilterContext* context) {
    v8::Isolate* isolate = context->isolate;
    context->imageTemplate = NewImageClass(isolate);
    context->v7LayerTemplate = NewV7LayerClass(isolate);
    context->pixelTemplate = NewPixelClass(isolate);
    context->paletteEntryTemplate = NewPaletteEntryClass(isolate);
    context->colorTemplate = NewColorClass(isolate);
}

bool RegisterV7ContextData(Local<v8::ObjectTemplate>, Local<v8::Context> scriptContext, TJSFilterContext* context) {
    Local<v8::Object> image;
    if (!NewImageObject(scriptContext, context, &image)) return false;
    return scriptContext->Global()
        ->CreateDataProperty(scriptContext, js::Name(context->isolate, "Image"), image)
        .FromMaybe(false);
}

}  // namespace qfjsbinding
