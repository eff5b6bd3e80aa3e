// Registration of the version 8 classes and global functions, and the ready
// made globals "System", "Path", "Document", "SourcePicture", "ResultPicture".
#ifndef QFJS_MODEL_V8_REGISTER_V8_H
#define QFJS_MODEL_V8_REGISTER_V8_H

#include <v8.h>

namespace qfjsbinding {

struct TJSFilterContext;

// Puts the global functions on the global template, then creates the eight
// class templates and keeps them in the context.
void RegisterV8Classes(v8::Local<v8::ObjectTemplate> global, TJSFilterContext* context);

// Sets the five ready-made globals in the entered script context, asking the
// factory for the document and the pictures. False when the engine could not
// make an object (an exception or termination is pending).
bool RegisterV8ContextData(TJSFilterContext* context);

// When `value` is a Picture wrapper: its host pointer (possibly null) in
// *picture, and true. Otherwise false.
bool ResultPictureOf(TJSFilterContext* context, v8::Local<v8::Value> value, void** picture);

}  // namespace qfjsbinding

#endif
