#include "model/model_v7/register_v7.h"

#include "engine/filter_context.h"

namespace qfjsbinding {

void RegisterV7Classes(v8::Local<v8::ObjectTemplate>, TJSFilterContext*) {}

bool RegisterV7ContextData(v8::Local<v8::ObjectTemplate>, v8::Local<v8::Context>, TJSFilterContext*) {
    return true;
}

}  // namespace qfjsbinding
