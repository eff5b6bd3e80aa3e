#include "host/console/action_runner.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include <picojson.h>

#include "host/console/filter_request.h"
#include "host/console/script_engine.h"

namespace qfconsole {

namespace {

struct LibraryTextFree {
    void operator()(char* text) const { QFJS_MemFree(text); }
};
using LibraryText = std::unique_ptr<char, LibraryTextFree>;

// The size of the canvas that holds every visible result layer, counted
// from (0, 0); 0 x 0 when no visible layer has an image.
void ResultExtent(const std::vector<qfhost::V7LayerView>& layers, std::int64_t* width, std::int64_t* height) {
    *width = 0;
    *height = 0;
    for (const qfhost::V7LayerView& layer : layers) {
        if (layer.hidden || !layer.image) continue;
        const std::int64_t w = layer.image->bmiHeader.biWidth;
        const std::int64_t h = std::llabs(static_cast<long long>(layer.image->bmiHeader.biHeight));
        *width = std::max(*width, layer.x + w);
        *height = std::max(*height, layer.y + h);
    }
}

}  // namespace

ActionRunner::ActionRunner(qfhost::Factory& factory, const ActionScript& script, RunningScripts* running,
                           const std::atomic<bool>* hardStop)
    : factory_(factory), script_(script), running_(running), hardStop_(hardStop) {
    // Destroying a context releases the factory; the file's pictures must
    // survive that until they are saved.
    factory_.set_free_on_release(false);
}

ActionRunner::~ActionRunner() { DropContext(); }

bool ActionRunner::EnsureContext() {
    if (context_ != 0) return true;
    context_ = QFJS_FilterCreateContext(&factory_);
    if (context_ != 0) ++contextsMade_;
    return context_ != 0;
}

void ActionRunner::DropContext() {
    if (context_ == 0) return;
    QFJS_FilterDestroyContext(context_);
    context_ = 0;
}

qfhost::Picture* ActionRunner::Run(const std::string& inputPath, qfhost::Picture& source,
                                   const std::function<void(const std::string&)>& onMessage, std::string* error) {
    if (!EnsureContext()) {
        *error = "the script engine could not make a filter context";
        return nullptr;
    }
    qfhost::Picture* target = source.Copy();
    qfhost::Document* document = factory_.NewDocument(inputPath);
    if (!target || !document) {
        *error = "not enough memory for the script's pictures";
        return nullptr;
    }

    FilterRunHost host(source, onMessage, hardStop_);
    const std::string request = host.BuildRequest(inputPath, script_.path, source, *target, *document);
    char* resultText = nullptr;
    if (running_) running_->Add(context_);
    const int status = QFJS_FilterExecute(context_, script_.text.c_str(), request.c_str(), &resultText);
    if (running_) running_->Remove(context_);
    const LibraryText result(resultText);

    qfhost::Picture* output = nullptr;
    bool reusable = false;
    if (status != 0) {
        *error = "the script engine refused the request (status " + std::to_string(status) + ")";
    } else {
        output = ReadResult(result ? result.get() : "", source, &reusable, error);
    }
    // The result has been read (version 7 layers composited) while the
    // context and `host` still hold the bitmaps it names.
    if (!reusable || host.v7_source_fetched()) DropContext();
    return output;
}

qfhost::Picture* ActionRunner::ReadResult(const std::string& text, qfhost::Picture& source, bool* reusable,
                                          std::string* error) {
    picojson::value result;
    const std::string syntax = picojson::parse(result, text);
    if (!syntax.empty() || !result.is<picojson::object>() || !result.get("ScriptResult").is<double>()) {
        *error = "unreadable result from the script engine: " + text;
        return nullptr;
    }
    const double scriptResult = result.get("ScriptResult").get<double>();
    if (scriptResult != 0) {
        const picojson::value& message = result.get("ErrorMessage");
        if (scriptResult == -1 && hardStop_ && hardStop_->load()) {
            *error = "the script was stopped";
        } else if (message.is<std::string>() && !message.get<std::string>().empty()) {
            *error = "the script failed: " + message.get<std::string>();
        } else {
            *error = "the script ended with result " + result.get("ScriptResult").to_str();
        }
        return nullptr;
    }

    if (result.contains("V8ResultPicture")) {
        const picojson::value& address = result.get("V8ResultPicture");
        const void* pointer = nullptr;
        qfhost::Picture* picture = nullptr;
        if (address.is<std::string>() && qfhost::ParsePointerString(address.get<std::string>(), &pointer)) {
            picture = qfhost::AsPicture(factory_.GetPicture(pointer));
        }
        if (!picture) {
            *error = "the script left no picture in ResultPicture";
            return nullptr;
        }
        *reusable = true;
        return picture;
    }

    std::vector<qfhost::V7LayerView> layers;
    if (!qfhost::ParseV7ResultLayers(result, &layers)) {
        *error = "the script engine reported neither a result picture nor readable result layers";
        return nullptr;
    }
    std::int64_t width = 0;
    std::int64_t height = 0;
    // Every run reports all the layers its context holds: none reported
    // means none held, and the context can go on.
    *reusable = layers.empty();
    ResultExtent(layers, &width, &height);
    if (width <= 0 || height <= 0) return &source;
    if (width > qfhost::kMaxSide || height > qfhost::kMaxSide || width * height > qfhost::kMaxArea) {
        *error = "the script's result layers reach beyond the largest picture (" + std::to_string(width) + " x " +
                 std::to_string(height) + ")";
        return nullptr;
    }
    const qfhost::RgbaImage flat =
        qfhost::CompositeV7Layers(layers, static_cast<int>(width), static_cast<int>(height));
    qfhost::Bitmap* bitmap = factory_.NewBitmapFromRgba(flat);
    qfhost::Picture* picture = bitmap ? factory_.NewSinglePicture(bitmap) : nullptr;
    if (!picture) *error = "not enough memory for the result picture";
    return picture;
}

}  // namespace qfconsole
