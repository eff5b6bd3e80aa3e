// Engine-wide state, exported under these names.
#ifndef QFJS_ENGINE_ENGINE_GLOBALS_H
#define QFJS_ENGINE_ENGINE_GLOBALS_H

#include <atomic>
#include <memory>
#include <mutex>

#include <libplatform/libplatform.h>
#include <v8-platform.h>

#include "qfjs/qfjs.h"

extern "C" {
// Copy of the record given to the first successful QFJS_Initialize.
QFJS_EXPORT extern QFJS_INFO g_info;
// Serialises QFJS_Initialize.
QFJS_EXPORT extern std::mutex g_initMutex;
// True between a successful initialisation and QFJS_Uninitialize.
QFJS_EXPORT extern std::atomic<bool> g_initialized;
// The script engine's platform while the engine is initialised.
QFJS_EXPORT extern std::unique_ptr<v8::Platform> gPlatform;
}

#endif
