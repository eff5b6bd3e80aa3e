// The per-context record behind a filter context handle.
#ifndef QFJS_ENGINE_FILTER_CONTEXT_H
#define QFJS_ENGINE_FILTER_CONTEXT_H

#include <array>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <boost/filesystem/path.hpp>
#include <picojson.h>
#include <v8.h>

#include "engine/promise_rejections.h"
#include "qfjs/qfjs.h"
#include "model/model_v7/v7_layer_data.h"

namespace qfjsbinding {

class CappedArrayBufferAllocator;
struct TemplateCache;

// A C stream owned by the context; closed when the context is destroyed.
struct FileCloser {
    void operator()(std::FILE* f) const noexcept {
        if (f) std::fclose(f);
    }
};
using OwnedFile = std::unique_ptr<std::FILE, FileCloser>;

// Fields in their documented order; every request key, script option and
// resource of one filter context lives here. Template handles are valid only
// while an execution runs (they are handles of that execution's scope).
struct TJSFilterContext {
    TJSFilterContext();
    ~TJSFilterContext();
    TJSFilterContext(const TJSFilterContext&) = delete;
    TJSFilterContext& operator=(const TJSFilterContext&) = delete;

    v8::Isolate* isolate = nullptr;
    IQFJSFactory* factory = nullptr;
    bool isVersion8 = false;
    const void* hostData = nullptr;
    const void* document = nullptr;
    const void* sourcePicture = nullptr;
    const void* targetPicture = nullptr;
    std::string scriptSource;
    const picojson::object* sourcePictureInfo = nullptr;  // into the current request only
    const picojson::array* v7LayerHandles = nullptr;      // into the current request only
    std::map<int, TV7LayerData> v7ResultLayers;
    boost::filesystem::path scriptBaseDir;
    double selColorR = 0.0;
    double selColorG = 0.0;
    double selColorB = 0.0;
    double selColorA = 0.0;
    std::int32_t selColorIndex = 0;
    std::optional<RECT> selection;
    std::vector<std::string> userParams;
    bool getPixelClip = true;
    // Written by QFJS_Terminate on any thread, read by the executing thread.
    std::atomic<bool> terminateRequested{false};
    // Written by Quit and the near-heap-limit handler on the executing thread.
    std::atomic<bool> quitRequested{false};
    QFJS_ProgressProc progressProc = nullptr;
    QFJS_ShowMessageProc showMessageProc = nullptr;
    QFJS_SetStatusProc setStatusProc = nullptr;
    QFJS_GetV7BitmapProc getV7BitmapProc = nullptr;
    QFJS_GetV7LayerDataProc getV7LayerDataProc = nullptr;
    std::string fileName;
    std::int32_t v7ActiveLayerIndex = 0;
    std::string scriptFile;

    v8::Local<v8::FunctionTemplate> pixelTemplate;
    v8::Local<v8::FunctionTemplate> paletteEntryTemplate;
    v8::Local<v8::FunctionTemplate> colorTemplate;
    v8::Local<v8::FunctionTemplate> imageTemplate;
    v8::Local<v8::FunctionTemplate> v7LayerTemplate;

    v8::Local<v8::FunctionTemplate> systemTemplate;
    v8::Local<v8::FunctionTemplate> pathTemplate;
    v8::Local<v8::FunctionTemplate> documentTemplate;
    v8::Local<v8::FunctionTemplate> pictureTemplate;
    v8::Local<v8::FunctionTemplate> aniFrameTemplate;
    v8::Local<v8::FunctionTemplate> layerTemplate;
    v8::Local<v8::FunctionTemplate> bitmapTemplate;
    v8::Local<v8::FunctionTemplate> colorObjectTemplate;

    std::vector<void*> dibBlocks;  // released with zkifree at destruction
    std::vector<std::unique_ptr<TV7LayerData>> v7LayerDataList;
    std::vector<OwnedFile> openFiles;
    std::vector<boost::filesystem::path> tempFiles;
    void* resultPicture = nullptr;
    std::int32_t scriptResult = 0;
    std::string scriptErrorMessage;

    // Engine bookkeeping beyond the documented fields.
    std::unique_ptr<CappedArrayBufferAllocator> arrayBufferAllocator;
    // Heap limit when no script is being rescued from heap exhaustion; the
    // near-heap-limit handler raises the limit temporarily so the termination
    // can unwind, and the runner restores this afterwards.
    std::size_t initialHeapLimit = 0;
    bool heapLimitRaised = false;
    // Bytes the version 7 classes have handed to this context (bitmaps,
    // records, layer names); they stay until it is destroyed, outside the
    // script heap, so they have a budget of their own (engine_blocks.h).
    std::size_t v7MemoryCharged = 0;

    // Promises rejected without a handler during the current run.
    PromiseRejections promiseRejections;

    // The environment's templates, built by the first execution and reused
    // by later ones (every execution still gets a fresh script context and
    // fresh objects). Released before the isolate is disposed.
    std::unique_ptr<TemplateCache> templateCache;

    // The per-execution template handles, in registration order.
    std::array<v8::Local<v8::FunctionTemplate>*, 13> TemplateFields();
    // Drops the per-execution template handles (they die with the handle scope).
    void ClearTemplates();
};

// The context of the isolate a callback runs in (embedder data slot 0).
inline TJSFilterContext* ContextOf(v8::Isolate* isolate) {
    return static_cast<TJSFilterContext*>(isolate->GetData(0));
}

}  // namespace qfjsbinding

#endif
