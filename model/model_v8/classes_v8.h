// The version 8 classes and global functions, one file each; the
// registration calls these in a fixed order.
#ifndef QFJS_MODEL_V8_CLASSES_V8_H
#define QFJS_MODEL_V8_CLASSES_V8_H

#include <v8.h>

namespace qfjsbinding {

// Class templates (class name, internal fields, accessors, methods).
v8::Local<v8::FunctionTemplate> NewSystemClass(v8::Isolate* isolate);
v8::Local<v8::FunctionTemplate> NewPathClass(v8::Isolate* isolate);
v8::Local<v8::FunctionTemplate> NewDocumentClass(v8::Isolate* isolate);
v8::Local<v8::FunctionTemplate> NewPictureClass(v8::Isolate* isolate);
v8::Local<v8::FunctionTemplate> NewAniFrameClass(v8::Isolate* isolate);
v8::Local<v8::FunctionTemplate> NewLayerClass(v8::Isolate* isolate);
v8::Local<v8::FunctionTemplate> NewBitmapClass(v8::Isolate* isolate);
v8::Local<v8::FunctionTemplate> NewColorObjectClass(v8::Isolate* isolate);

// Global functions: the constructors and picture files, then the file functions.
void InstallConstructorFunctions(v8::Isolate* isolate, v8::Local<v8::ObjectTemplate> global);
void InstallFileFunctions(v8::Isolate* isolate, v8::Local<v8::ObjectTemplate> global);

}  // namespace qfjsbinding

#endif
