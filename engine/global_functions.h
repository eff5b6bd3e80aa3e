// The core global functions every script sees: results, messages, progress,
// status line, user parameters, the choice of API version and Quit.
#ifndef QFJS_ENGINE_GLOBAL_FUNCTIONS_H
#define QFJS_ENGINE_GLOBAL_FUNCTIONS_H

#include <cstdint>

#include <v8.h>

namespace qfjsbinding {
namespace provided_functions {

void Global_ResultGetter(v8::Local<v8::Name> name, const v8::PropertyCallbackInfo<v8::Value>& info);
void Global_ResultSetter(v8::Local<v8::Name> name, v8::Local<v8::Value> value,
                         const v8::PropertyCallbackInfo<void>& info);
void Global_ErrorMessageGetter(v8::Local<v8::Name> name, const v8::PropertyCallbackInfo<v8::Value>& info);
void Global_ErrorMessageSetter(v8::Local<v8::Name> name, v8::Local<v8::Value> value,
                               const v8::PropertyCallbackInfo<void>& info);
void Global_SetVersion(const v8::FunctionCallbackInfo<v8::Value>& info);
void Global_MessageBox(const v8::FunctionCallbackInfo<v8::Value>& info);
void Global_SetProgress(const v8::FunctionCallbackInfo<v8::Value>& info);
void Global_SetStatus(const v8::FunctionCallbackInfo<v8::Value>& info);
void Global_SetProcessOption(const v8::FunctionCallbackInfo<v8::Value>& info);
void Global_ValueClip(const v8::FunctionCallbackInfo<v8::Value>& info);
void Global_ByteClip(const v8::FunctionCallbackInfo<v8::Value>& info);
void Global_Quit(const v8::FunctionCallbackInfo<v8::Value>& info);
void Global_UserParamGetter(std::uint32_t index, const v8::PropertyCallbackInfo<v8::Value>& info);
void Global_UserParamSetter(std::uint32_t index, v8::Local<v8::Value> value,
                            const v8::PropertyCallbackInfo<v8::Value>& info);

}  // namespace provided_functions

// Installs the functions and accessors above on the global object template.
void InstallCoreGlobals(v8::Isolate* isolate, v8::Local<v8::ObjectTemplate> global);

// The template of the "UserParam" object (an indexed interceptor).
v8::Local<v8::ObjectTemplate> NewUserParamTemplate(v8::Isolate* isolate);

}  // namespace qfjsbinding

#endif
