#include "engine/class_builder.h"

#include "engine/js_convert.h"

namespace qfjsbinding {

using v8::FunctionTemplate;
using v8::Integer;
using v8::Isolate;
using v8::Local;
using v8::ObjectTemplate;
using v8::Signature;

namespace {

// Scripts can reach a class function through an instance's "constructor"
// property. An object made with `new` there would be an instance whose
// internal fields were never set, so the class refuses to be constructed or
// called by scripts; the engine makes its instances from the instance
// template, which does not run this handler.
void IllegalConstructor(const v8::FunctionCallbackInfo<v8::Value>& info) {
    Isolate* isolate = info.GetIsolate();
    isolate->ThrowException(
        v8::Exception::TypeError(v8::String::NewFromUtf8Literal(isolate, "Illegal constructor")));
}

}  // namespace

Local<FunctionTemplate> BuildClass(Isolate* isolate, const ClassDef& def) {
    Local<FunctionTemplate> tmpl = FunctionTemplate::New(isolate, IllegalConstructor);
    tmpl->SetClassName(js::Name(isolate, def.className));
    Local<ObjectTemplate> instance = tmpl->InstanceTemplate();
    instance->SetInternalFieldCount(def.internalFieldCount);

    // The engine installs a template's accessors on each instance in the
    // reverse order of their registration; registering the table backwards
    // makes scripts list them in table order.
    for (std::size_t i = def.accessorCount; i-- > 0;) {
        const AccessorDef& a = def.accessors[i];
        instance->SetAccessor(js::Name(isolate, a.name), a.getter, a.setter,
                              Integer::New(isolate, a.member));
    }

    Local<Signature> signature = Signature::New(isolate, tmpl);
    Local<ObjectTemplate> proto = tmpl->PrototypeTemplate();
    for (std::size_t i = 0; i < def.methodCount; ++i) {
        const MethodDef& m = def.methods[i];
        proto->Set(js::Name(isolate, m.name),
                   FunctionTemplate::New(isolate, m.callback, Local<v8::Value>(), signature, 0,
                                         v8::ConstructorBehavior::kThrow));
    }
    return tmpl;
}

void SetGlobalFunction(Isolate* isolate, Local<ObjectTemplate> global, const char* name,
                       v8::FunctionCallback callback) {
    global->Set(js::Name(isolate, name), FunctionTemplate::New(isolate, callback));
}

}  // namespace qfjsbinding
