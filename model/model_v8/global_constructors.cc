// Global functions that make pictures, bitmaps and layers and read and write
// picture files through the host factory (filled in as they are built).
#include "model/model_v8/classes_v8.h"

namespace qfjsbinding {

void InstallConstructorFunctions(v8::Isolate*, v8::Local<v8::ObjectTemplate>) {}

}  // namespace qfjsbinding
