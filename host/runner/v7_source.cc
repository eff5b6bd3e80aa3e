#include "host/runner/v7_source.h"

namespace qfjs_runner {

void V7Source::AddLayer(std::string name, const qfhost::Bitmap* bitmap) {
    auto entry = std::make_unique<LayerEntry>();
    entry->name = std::move(name);
    entry->bitmap = bitmap;
    layers_.push_back(std::move(entry));
}

void V7Source::AddToRequest(picojson::object* request) const {
    picojson::object source;
    if (layers_.empty()) {
        // The handle of the flat picture is this object: there is only one.
        picojson::object bitmap;
        bitmap["Handle"] = picojson::value(qfhost::PointerString(this));
        source["Type"] = picojson::value("SINGLE");
        source["Bitmap"] = picojson::value(bitmap);
    } else {
        picojson::array handles;
        for (const auto& entry : layers_) handles.emplace_back(qfhost::PointerString(entry.get()));
        source["Type"] = picojson::value("LAYER");
        (*request)["V7Layers"] = picojson::value(handles);
    }
    (*request)["SourcePicture"] = picojson::value(source);
    (*request)["V7ActiveLayerIndex"] = picojson::value(0.0);
}

bool V7Source::FetchBitmap(const void* handle, void** image, void** alpha) {
    if (handle != this || !single_) return false;
    if (!singleConverted_) {
        if (!dibs_.SetSinglePicture(*single_)) return false;
        singleConverted_ = true;
    }
    return qfhost::V7Host::GetV7Bitmap(&dibs_, dibs_.single_handle(), image, alpha);
}

bool V7Source::FetchLayer(const void* handle, const char** name, int* x, int* y, bool* hidden,
                          unsigned* opacity, void** image, void** alpha) {
    LayerEntry* entry = nullptr;
    for (const auto& candidate : layers_) {
        if (candidate.get() == handle) entry = candidate.get();
    }
    if (!entry || !entry->bitmap) return false;
    if (entry->dibIndex < 0) {
        qfhost::V7LayerInfo info;
        info.name = entry->name;
        entry->dibIndex = dibs_.AddLayer(info, *entry->bitmap);
        if (entry->dibIndex < 0) return false;
    }
    return qfhost::V7Host::GetV7LayerData(&dibs_, dibs_.layer_handle(entry->dibIndex), name, x, y, hidden,
                                          opacity, image, alpha);
}

}  // namespace qfjs_runner
