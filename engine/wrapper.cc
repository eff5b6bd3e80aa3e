#include "engine/wrapper.h"

namespace qfjsbinding {

using v8::Local;
using v8::Object;

bool NewInstance(Local<v8::Context> context, Local<v8::FunctionTemplate> tmpl, Local<Object>* out) {
    // Instantiated from the instance template, so the class function's own
    // call handler (which refuses scripts) is not involved.
    return tmpl->InstanceTemplate()->NewInstance(context).ToLocal(out);
}

bool NewWrapper(Local<v8::Context> context, Local<v8::FunctionTemplate> tmpl, TJSFilterContext* filter,
                void* native, Local<Object>* out) {
    Local<Object> obj;
    if (!NewInstance(context, tmpl, &obj)) return false;
    obj->SetAlignedPointerInInternalField(kContextField, filter);
    obj->SetAlignedPointerInInternalField(kNativeField, native);
    *out = obj;
    return true;
}

}  // namespace qfjsbinding
