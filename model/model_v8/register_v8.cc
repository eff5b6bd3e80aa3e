#include "model/model_v8/register_v8.h"

#include "engine/filter_context.h"
#include "engine/wrapper.h"

namespace qfjsbinding {

void RegisterV8Classes(v8::Local<v8::ObjectTemplate>, TJSFilterContext*) {}

bool RegisterV8ContextData(TJSFilterContext*) {
    return true;
}

bool ResultPictureOf(TJSFilterContext* context, v8::Local<v8::Value> value, void** picture) {
    if (!IsInstance(context->pictureTemplate, value)) return false;
    *picture = UnwrapNative(context->pictureTemplate, value);
    return true;
}

}  // namespace qfjsbinding
