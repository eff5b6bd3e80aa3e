// Engine start-up and shutdown, filter context creation and destruction,
// termination requests and the release of returned texts.
#include <cstdint>
#include <cstdlib>
#include <new>

#include <boost/filesystem/operations.hpp>

#include "engine/array_buffer_allocator.h"
#include "engine/engine_globals.h"
#include "engine/filter_context.h"
#include "engine/heap_guard.h"
#include "engine/template_cache.h"
#include "libzkimg/core/src/memory.h"
#include "tools/platform_mac.h"

extern "C" {
QFJS_INFO g_info = {nullptr, nullptr};
std::mutex g_initMutex;
std::atomic<bool> g_initialized{false};
std::unique_ptr<v8::Platform> gPlatform;
}

namespace qfjsbinding {

namespace {

// The engine cannot be started again in a process once it has been disposed;
// a later QFJS_Initialize then leaves it stopped instead of aborting.
bool g_disposed = false;

void OnFatalError(const char* location, const char* message) {
    if (g_info.FatalErrorProc) g_info.FatalErrorProc(location, message);
}

void OnOOMError(const char* location, bool /*isHeapOOM*/) {
    if (g_info.OOMErrorProc) g_info.OOMErrorProc(location);
}

TJSFilterContext* FromHandle(QFJS_HANDLE handle) {
    return reinterpret_cast<TJSFilterContext*>(static_cast<std::uintptr_t>(handle));
}

}  // namespace

TJSFilterContext::TJSFilterContext() = default;
TJSFilterContext::~TJSFilterContext() = default;

std::array<v8::Local<v8::FunctionTemplate>*, 13> TJSFilterContext::TemplateFields() {
    return {&pixelTemplate,   &paletteEntryTemplate, &colorTemplate,    &imageTemplate, &v7LayerTemplate,
            &systemTemplate,  &pathTemplate,         &documentTemplate, &pictureTemplate, &aniFrameTemplate,
            &layerTemplate,   &bitmapTemplate,       &colorObjectTemplate};
}

void TJSFilterContext::ClearTemplates() {
    for (v8::Local<v8::FunctionTemplate>* t : TemplateFields()) t->Clear();
}

}  // namespace qfjsbinding

using qfjsbinding::TJSFilterContext;

void QFJS_Initialize(QFJS_INFO& info) {
    std::lock_guard<std::mutex> lock(g_initMutex);
    if (g_initialized || qfjsbinding::g_disposed) return;
    g_info = info;

    const boost::filesystem::path resources = MacOS_GetResourcePath();
    const boost::filesystem::path icuData = resources / "icudtl.dat";
    v8::V8::InitializeICUDefaultLocation(resources.string().c_str(), icuData.string().c_str());

    gPlatform = v8::platform::NewDefaultPlatform(0, v8::platform::IdleTaskSupport::kDisabled,
                                                 v8::platform::InProcessStackDumping::kDisabled, nullptr);
    v8::V8::InitializePlatform(gPlatform.get());
    v8::V8::Initialize();
    g_initialized = true;
}

void QFJS_Uninitialize() {
    if (!g_initialized) return;
    v8::V8::Dispose();
    v8::V8::DisposePlatform();
    gPlatform.reset();
    g_initialized = false;
    qfjsbinding::g_disposed = true;
}

QFJS_HANDLE QFJS_FilterCreateContext(IQFJSFactory* factory) {
    // Without a running engine there is no isolate to make.
    if (!g_initialized) return 0;
    std::unique_ptr<TJSFilterContext> context;
    try {
        context = std::make_unique<TJSFilterContext>();
        context->arrayBufferAllocator = std::make_unique<qfjsbinding::CappedArrayBufferAllocator>();
    } catch (const std::bad_alloc&) {
        return 0;
    }
    context->factory = factory;

    v8::Isolate::CreateParams params;
    params.array_buffer_allocator = context->arrayBufferAllocator.get();
    v8::Isolate* isolate = v8::Isolate::New(params);
    if (!isolate) return 0;
    context->isolate = isolate;
    {
        v8::Locker locker(isolate);
        isolate->SetData(0, context.get());
        // Forward the engine's fatal reports to the host's handlers. Without a
        // handler of the host's, the engine's own behaviour (report, then
        // abort) stays in force rather than silently continuing.
        if (g_info.FatalErrorProc) isolate->SetFatalErrorHandler(qfjsbinding::OnFatalError);
        if (g_info.OOMErrorProc) isolate->SetOOMErrorHandler(qfjsbinding::OnOOMError);
        qfjsbinding::InstallHeapGuard(context.get());
        qfjsbinding::PromiseRejections::Install(isolate);
    }
    return static_cast<QFJS_HANDLE>(reinterpret_cast<std::uintptr_t>(context.release()));
}

void QFJS_FilterDestroyContext(QFJS_HANDLE handle) {
    if (handle == 0) return;
    std::unique_ptr<TJSFilterContext> context(qfjsbinding::FromHandle(handle));

    for (void* block : context->dibBlocks) zkifree(block);
    context->dibBlocks.clear();
    context->v7LayerDataList.clear();
    context->openFiles.clear();
    for (const boost::filesystem::path& file : context->tempFiles) {
        boost::system::error_code ignored;
        if (boost::filesystem::exists(file, ignored)) boost::filesystem::remove(file, ignored);
    }
    context->tempFiles.clear();
    if (context->factory) context->factory->Release();

    {
        // Persistent handles must go while the isolate still exists.
        v8::Locker locker(context->isolate);
        context->templateCache.reset();
        context->promiseRejections.Clear();
    }
    context->isolate->Dispose();
    context->isolate = nullptr;
    context->arrayBufferAllocator.reset();
}

void QFJS_Terminate(QFJS_HANDLE handle) {
    if (handle == 0) return;
    TJSFilterContext* context = qfjsbinding::FromHandle(handle);
    context->terminateRequested = true;
    context->isolate->TerminateExecution();
}

void QFJS_MemFree(void* p) {
    std::free(p);
}
