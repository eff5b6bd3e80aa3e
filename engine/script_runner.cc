#include "engine/script_runner.h"

#include <cstdio>
#include <exception>

#include "engine/filter_context.h"
#include "engine/global_functions.h"
#include "engine/heap_guard.h"
#include "engine/js_convert.h"
#include "engine/template_cache.h"
#include "model/model_v7/register_v7.h"
#include "model/model_v8/register_v8.h"

namespace qfjsbinding {

using v8::Context;
using v8::FunctionTemplate;
using v8::Isolate;
using v8::Local;
using v8::ObjectTemplate;
using v8::String;
using v8::TryCatch;
using v8::Value;

namespace {

std::string FormatPosition(const char* heading, const std::string& text, int line, int column) {
    // "<heading>\n<text>\nPosition: line <n>, column <m> " (the trailing blank
    // is part of the established message format).
    std::string out = heading;
    out += "\n";
    out += text;
    char position[64];
    std::snprintf(position, sizeof position, "\nPosition: line %d, column %d ", line, column);
    out += position;
    return out;
}

std::string Utf8Of(Isolate* isolate, Local<Value> value) {
    if (value.IsEmpty()) return std::string();
    std::string text;
    Local<Context> context = isolate->GetCurrentContext();
    TryCatch guard(isolate);  // a throwing toString must not escape here
    if (!js::ToUtf8(isolate, context, value, &text)) return std::string();
    return text;
}

// Line and start column of a caught message (0 when unknown).
void PositionOf(Isolate* isolate, const TryCatch& catcher, int* line, int* column) {
    *line = 0;
    *column = 0;
    Local<v8::Message> message = catcher.Message();
    if (message.IsEmpty()) return;
    *line = message->GetLineNumber(isolate->GetCurrentContext()).FromMaybe(0);
    *column = message->GetStartColumn(isolate->GetCurrentContext()).FromMaybe(0);
}

}  // namespace

int ExecuteScriptMain(TJSFilterContext* context, std::string& message) {
    context->promiseRejections.Clear();
    Isolate* isolate = context->isolate;

    Local<ObjectTemplate> global;
    Local<ObjectTemplate> userParamTemplate;
    PrepareTemplates(context, &global, &userParamTemplate);

    bool ok = false;
    bool compileFailed = false;
    bool runtimeError = false;
    // Stopped by the host's termination request before it produced a value.
    bool hostTerminated = false;
    std::string compileMessage;

    Local<Context> scriptContext = Context::New(isolate, nullptr, global);
    if (scriptContext.IsEmpty()) {
        // The engine could not build the environment: the host's termination
        // arrived first, the heap ran out, or there was no memory at all.
        if (context->terminateRequested) {
            hostTerminated = true;
        } else if (!context->quitRequested) {
            runtimeError = true;
        }
        isolate->CancelTerminateExecution();
    } else {
        Context::Scope contextScope(scriptContext);
        TryCatch catcher(isolate);

        bool ready = RegisterV7ContextData(global, scriptContext, context) && RegisterV8ContextData(context);
        if (ready) {
            Local<v8::Object> userParam;
            ready = userParamTemplate->NewInstance(scriptContext).ToLocal(&userParam) &&
                    scriptContext->Global()
                        ->Set(scriptContext, js::Name(isolate, "UserParam"), userParam)
                        .FromMaybe(false);
        }

        Local<v8::Script> script;
        if (ready) {
            Local<String> source;
            if (!js::NewString(isolate, context->scriptSource, &source) ||
                !v8::Script::Compile(scriptContext, source).ToLocal(&script)) {
                compileFailed = true;
                int line = 0;
                int column = 0;
                PositionOf(isolate, catcher, &line, &column);
                compileMessage = FormatPosition("Script compilation error",
                                                Utf8Of(isolate, catcher.Exception()), line, column);
            }
        }

        if (ready && !compileFailed) {
            v8::MaybeLocal<Value> result;
            try {
                result = script->Run(scriptContext);
            } catch (const std::exception& e) {
                message = e.what();
            } catch (...) {
            }
            if (!result.IsEmpty()) {
                if (context->quitRequested) {
                    ok = true;
                } else if (context->terminateRequested) {
                    // Stopped by the host after the script produced its value.
                } else if (catcher.HasCaught()) {
                    runtimeError = true;
                    message = Utf8Of(isolate, catcher.Exception());
                } else {
                    ok = true;
                }
                // An exception thrown in a promise reaction or an async
                // function, which ran after the last statement, that nothing
                // handled is the run's uncaught exception.
                std::string text;
                int line = 0;
                int column = 0;
                if (ok && !context->quitRequested &&
                    context->promiseRejections.FirstUnhandled(isolate, &text, &line, &column)) {
                    ok = false;
                    runtimeError = true;
                    message = FormatPosition("Exception in script", text, line, column);
                }
            } else if (context->terminateRequested) {
                hostTerminated = true;
            } else if (context->quitRequested) {
                ok = true;
            } else if (catcher.HasCaught()) {
                runtimeError = true;
                Local<v8::Message> caught = catcher.Message();
                if (!caught.IsEmpty()) {
                    const std::string text = Utf8Of(isolate, caught->Get());
                    if (!text.empty()) {
                        int line = 0;
                        int column = 0;
                        PositionOf(isolate, catcher, &line, &column);
                        message = FormatPosition("Exception in script", text, line, column);
                    }
                }
            }
        } else if (!ready && !compileFailed) {
            // Building the globals failed (termination or exhausted memory).
            if (context->terminateRequested) {
                hostTerminated = true;
            } else if (!context->quitRequested) {
                runtimeError = true;
            }
        }

        context->promiseRejections.Clear();

        // Quit, the host's termination and heap exhaustion all leave a pending
        // termination behind; clear it so the result can still be read and the
        // next execution of this context starts normally.
        isolate->CancelTerminateExecution();
    }

    // The codes the engine gives a run itself (-1 for the host's termination,
    // 9999 for an exhausted heap) describe this run only: scriptResult keeps
    // the script's own value, so the next execution of the context is not
    // reported as failed for what happened to this one.
    std::int32_t result = context->scriptResult;
    if (hostTerminated) {
        result = -1;
    } else if (HeapExhausted(context)) {
        result = kHeapExhaustedResult;
    }

    int status;
    if (result < 0) {
        status = kRunNegativeResult;
    } else if (ok && result == 0) {
        if (context->isVersion8) {
            Context::Scope contextScope(scriptContext);
            TryCatch guard(isolate);  // a script-defined getter must not escape
            // Anything but a picture wrapper means no result picture; a picture
            // of an earlier execution must never be reported again, since the
            // host may have released it since.
            Local<Value> picture;
            void* host = nullptr;
            if (!scriptContext->Global()
                     ->Get(scriptContext, js::Name(isolate, "ResultPicture"))
                     .ToLocal(&picture) ||
                !ResultPictureOf(context, picture, &host)) {
                host = nullptr;
            }
            context->resultPicture = host;
            isolate->CancelTerminateExecution();
        }
        status = kRunOk;
    } else if (compileFailed) {
        message = compileMessage;
        status = kRunCompileError;
    } else if (runtimeError) {
        if (message.empty()) message = "Script execution error";
        status = kRunUncaughtException;
    } else if (!context->scriptErrorMessage.empty()) {
        message = "Script result code " + std::to_string(result) + "\n" + context->scriptErrorMessage;
        status = kRunResultWithMessage;
    } else {
        message = "Script result code " + std::to_string(result);
        status = kRunResultCode;
    }
    context->ClearTemplates();
    return status;
}

}  // namespace qfjsbinding
