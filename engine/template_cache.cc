#include "engine/template_cache.h"

#include <memory>

#include "engine/filter_context.h"
#include "engine/global_functions.h"
#include "engine/js_convert.h"
#include "model/model_v7/register_v7.h"
#include "model/model_v8/register_v8.h"

namespace qfjsbinding {

using v8::Isolate;
using v8::Local;

void PrepareTemplates(TJSFilterContext* context, Local<v8::ObjectTemplate>* global,
                      Local<v8::ObjectTemplate>* userParam) {
    Isolate* isolate = context->isolate;
    auto fields = context->TemplateFields();
    if (TemplateCache* cache = context->templateCache.get()) {
        *global = cache->global.Get(isolate);
        *userParam = cache->userParam.Get(isolate);
        for (std::size_t i = 0; i < fields.size(); ++i) *fields[i] = cache->classes[i].Get(isolate);
        return;
    }

    Local<v8::FunctionTemplate> globalConstructor = v8::FunctionTemplate::New(isolate);
    globalConstructor->SetClassName(js::Name(isolate, "QuillFrame"));
    *global = globalConstructor->InstanceTemplate();
    InstallCoreGlobals(isolate, *global);
    *userParam = NewUserParamTemplate(isolate);
    RegisterV7Classes(*global, context);
    RegisterV8Classes(*global, context);

    auto cache = std::make_unique<TemplateCache>();
    cache->global.Reset(isolate, *global);
    cache->userParam.Reset(isolate, *userParam);
    for (std::size_t i = 0; i < fields.size(); ++i) cache->classes[i].Reset(isolate, *fields[i]);
    context->templateCache = std::move(cache);
}

}  // namespace qfjsbinding
