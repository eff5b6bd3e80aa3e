// The version 8 "Document" class (members are filled in as the class is built).
#include "engine/class_builder.h"
#include "model/model_v8/classes_v8.h"

namespace qfjsbinding {

v8::Local<v8::FunctionTemplate> NewDocumentClass(v8::Isolate* isolate) {
    static const AccessorDef kAccessors[] = {{"", nullptr, nullptr, 0}};
    ClassDef def{"Document", 2, kAccessors, 0, nullptr, 0};
    return BuildClass(isolate, def);
}

}  // namespace qfjsbinding
