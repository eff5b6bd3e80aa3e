#include "model/model_v8/register_v8.h"

#include "engine/filter_context.h"
#include "engine/js_convert.h"
#include "engine/wrapper.h"
#include "model/model_v8/classes_v8.h"

namespace qfjsbinding {

using v8::Isolate;
using v8::Local;

void RegisterV8Classes(Local<v8::ObjectTemplate> global, TJSFilterContext* context) {
    Isolate* isolate = context->isolate;
    InstallConstructorFunctions(isolate, global);
    InstallFileFunctions(isolate, global);

    context->systemTemplate = NewSystemClass(isolate);
    context->pathTemplate = NewPathClass(isolate);
    context->documentTemplate = NewDocumentClass(isolate);
    context->pictureTemplate = NewPictureClass(isolate);
    context->aniFrameTemplate = NewAniFrameClass(isolate);
    context->layerTemplate = NewLayerClass(isolate);
    context->bitmapTemplate = NewBitmapClass(isolate);
    context->colorObjectTemplate = NewColorObjectClass(isolate);
}

bool RegisterV8ContextData(TJSFilterContext* context) {
    Isolate* isolate = context->isolate;
    Local<v8::Context> scriptContext = isolate->GetCurrentContext();
    Local<v8::Object> global = scriptContext->Global();

    auto publish = [&](const char* name, Local<v8::FunctionTemplate> tmpl, void* native) {
        Local<v8::Object> object;
        return NewWrapper(scriptContext, tmpl, context, native, &object) &&
               global->Set(scriptContext, js::Name(isolate, name), object).FromMaybe(false);
    };
    // System and Path carry the context alone (one internal field): writing
    // a host pointer into a field they do not have is an engine API failure.
    auto publishContextOnly = [&](const char* name, Local<v8::FunctionTemplate> tmpl) {
        Local<v8::Object> object;
        if (!NewInstance(scriptContext, tmpl, &object)) return false;
        object->SetAlignedPointerInInternalField(kContextField, context);
        return global->Set(scriptContext, js::Name(isolate, name), object).FromMaybe(false);
    };

    // The factory is asked at every execution, in this order, whatever the
    // script's API version; its answers are wrapped as they come (a null
    // answer gives an object whose members read null).
    IQFJSFactory* factory = context->factory;
    if (!publishContextOnly("System", context->systemTemplate)) return false;
    if (!publishContextOnly("Path", context->pathTemplate)) return false;
    IQFDocument* document = factory ? factory->GetDocument(context->document) : nullptr;
    if (!publish("Document", context->documentTemplate, document)) return false;
    IQFPicture* source = factory ? factory->GetPicture(context->sourcePicture) : nullptr;
    if (!publish("SourcePicture", context->pictureTemplate, source)) return false;
    IQFPicture* target = factory ? factory->GetPicture(context->targetPicture) : nullptr;
    return publish("ResultPicture", context->pictureTemplate, target);
}

bool ResultPictureOf(TJSFilterContext* context, Local<v8::Value> value, void** picture) {
    if (!IsInstance(context->pictureTemplate, value)) return false;
    *picture = value.As<v8::Object>()->GetAlignedPointerFromInternalField(kNativeField);
    return true;
}

}  // namespace qfjsbinding
