// Exported interface of libqfjsbinding, the QuillFrame script engine.
//
// Lifecycle: QFJS_Initialize once per process; then any number of filter
// contexts, each created with the host's factory, executed any number of times
// and destroyed; QFJS_Uninitialize after the last context is gone. Every text
// the library returns is released by the host with QFJS_MemFree.
//
// Threads: one context runs one execution at a time (it may move between
// threads from one execution to the next); different contexts may execute in
// parallel; QFJS_Terminate may come from any thread.
//
// All text is UTF-8. See docs/embedding.md for the request and result JSON.
#ifndef QFJS_QFJS_H
#define QFJS_QFJS_H

#include <cstdint>

#include "qfjs/qf_interfaces.h"

#if defined(QFJS_BUILDING_LIBRARY)
#define QFJS_EXPORT __attribute__((visibility("default")))
#else
#define QFJS_EXPORT
#endif

// The host's handlers for the script engine's fatal conditions.
struct QFJS_INFO {
    // A fatal error of the script engine in any context.
    void (*FatalErrorProc)(const char* location, const char* message);
    // The script engine ran out of memory in any context.
    void (*OOMErrorProc)(const char* location);
};

// Callbacks named in an execution request (as decimal pointer strings). Each
// receives the request's "HostData" first and is called on the executing
// thread while the script runs.
typedef bool (*QFJS_ProgressProc)(const void* hostData, int done, int total);
typedef void (*QFJS_ShowMessageProc)(const void* hostData, const char* text);
typedef void (*QFJS_SetStatusProc)(const void* hostData, const char* text);
// Fills `image` and `alpha` with the device-independent bitmaps (see
// qfjs/dib.h) of a picture without layers; `alpha` may be left null.
typedef bool (*QFJS_GetV7BitmapProc)(const void* hostData, const void* bitmapHandle, void** image,
                                     void** alpha);
// Fills the values of one layer. The engine presets name null, x and y 0,
// hidden false and opacity 100; a returned name must stay valid until the
// callback returns (the engine copies it at once).
typedef bool (*QFJS_GetV7LayerDataProc)(const void* hostData, const void* layerHandle,
                                        const char** name, int* x, int* y, bool* hidden,
                                        unsigned* opacity, void** image, void** alpha);

// A filter context handle; 0 means "no context" to every function.
typedef std::uint64_t QFJS_HANDLE;

extern "C" {

// Starts the script engine. Serialised; a second call does nothing (the first
// handlers stay in force).
QFJS_EXPORT void QFJS_Initialize(QFJS_INFO& info);
// Shuts the engine down. Must not overlap any other call.
QFJS_EXPORT void QFJS_Uninitialize();

// Creates a filter context owning one script engine isolate. The factory must
// stay valid until QFJS_FilterDestroyContext, which calls its Release().
// Returns 0 when the context cannot be made.
QFJS_EXPORT QFJS_HANDLE QFJS_FilterCreateContext(IQFJSFactory* factory);
// Releases everything the context owns (version 7 bitmaps the engine made,
// temporary files), then the factory.
QFJS_EXPORT void QFJS_FilterDestroyContext(QFJS_HANDLE handle);

// Runs `script` with the request JSON. Returns 0 when the script was run (its
// outcome is in the result JSON), 1 for a null argument, 2 when the request
// is not valid JSON (then *result holds {"message": ...}), or a request status
// 50-162. *result is set only for 0 and 2; release it with QFJS_MemFree.
QFJS_EXPORT int QFJS_FilterExecute(QFJS_HANDLE handle, const char* script, const char* request,
                                   char** result);

// Asks a running script to stop (from any thread); its run ends with -1.
QFJS_EXPORT void QFJS_Terminate(QFJS_HANDLE handle);

// Releases a text returned by the library.
QFJS_EXPORT void QFJS_MemFree(void* p);

// A script file's text as UTF-8 (byte-order marks honoured, carriage returns
// removed), or null when it cannot be read.
QFJS_EXPORT char* QFJS_LoadScript(const char* path);
// The description from the script's "//qfjs" header in the user's language,
// or the default one (possibly empty); null when the file cannot be read.
QFJS_EXPORT char* QFJS_GetScriptDescription(const char* path);

}  // extern "C"

#endif
