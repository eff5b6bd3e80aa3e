// The templates of the script environment, kept by a filter context.
//
// Building the global object template and the thirteen class templates is a
// large part of an execution's fixed cost, and the result is the same every
// time. The first execution builds them; later ones take them from here. Each
// execution still creates a new script context, so its global object, class
// functions, prototypes and wrappers are new: nothing a script does to them
// reaches the next execution.
#ifndef QFJS_ENGINE_TEMPLATE_CACHE_H
#define QFJS_ENGINE_TEMPLATE_CACHE_H

#include <array>

#include <v8.h>

namespace qfjsbinding {

struct TJSFilterContext;

struct TemplateCache {
    v8::Global<v8::ObjectTemplate> global;
    v8::Global<v8::ObjectTemplate> userParam;
    std::array<v8::Global<v8::FunctionTemplate>, 13> classes;
};

// The global object template (class name "QuillFrame", the core globals, the
// version 8 global functions) and the "UserParam" template of this
// execution; the context's class template fields are set too.
void PrepareTemplates(TJSFilterContext* context, v8::Local<v8::ObjectTemplate>* global,
                      v8::Local<v8::ObjectTemplate>* userParam);

}  // namespace qfjsbinding

#endif
