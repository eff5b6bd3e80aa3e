// Global functions that read and write text and binary files (filled in as
// they are built).
#include "model/model_v8/classes_v8.h"

namespace qfjsbinding {

void InstallFileFunctions(v8::Isolate*, v8::Local<v8::ObjectTemplate>) {}

}  // namespace qfjsbinding
