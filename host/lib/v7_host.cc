#include "host/lib/v7_host.h"

#include <cstring>
#include <new>

#include "host/lib/bitmap.h"
#include "host/lib/dib_convert.h"
#include "host/lib/factory.h"
#include "qfjs/qfjs.h"

namespace qfhost {

namespace {

V7Host* HostOf(const void* hostData) {
    return static_cast<V7Host*>(const_cast<void*>(hostData));
}

bool SameHeader(const BITMAPINFOHEADER& a, const BITMAPINFOHEADER& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

}  // namespace

V7Host::Dibs V7Host::Adopt(DibBlock image, DibBlock alpha) {
    Dibs dibs;
    dibs.image = std::move(image);
    dibs.alpha = std::move(alpha);
    if (dibs.image) dibs.imageHeader = *dibs.image.header();
    if (dibs.alpha) dibs.alphaHeader = *dibs.alpha.header();
    return dibs;
}

bool V7Host::SetSinglePicture(const Bitmap& bitmap) {
    DibPair pair = BitmapToDib(bitmap);
    if (!pair.image) return false;
    return SetSinglePictureDibs(std::move(pair.image), std::move(pair.alpha));
}

bool V7Host::SetSinglePictureDibs(DibBlock image, DibBlock alpha) {
    if (!image) return false;
    try {
        single_.push_back(std::make_unique<Dibs>(Adopt(std::move(image), std::move(alpha))));
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

int V7Host::AddLayer(const V7LayerInfo& info, const Bitmap& bitmap) {
    DibPair pair = BitmapToDib(bitmap);
    if (!pair.image) return -1;
    return AddLayerDibs(info, std::move(pair.image), std::move(pair.alpha));
}

int V7Host::AddLayerDibs(const V7LayerInfo& info, DibBlock image, DibBlock alpha) {
    if (!image) return -1;
    try {
        auto record = std::make_unique<LayerRecord>();
        record->info = info;
        record->dibs = Adopt(std::move(image), std::move(alpha));
        layers_.push_back(std::move(record));
    } catch (const std::bad_alloc&) {
        return -1;
    }
    return static_cast<int>(layers_.size()) - 1;
}

picojson::value V7Host::SourcePictureJson() const {
    picojson::object source;
    if (!single_.empty()) {
        source["Type"] = picojson::value("SINGLE");
        picojson::object bitmap;
        bitmap["Handle"] = picojson::value(PointerString(single_handle()));
        source["Bitmap"] = picojson::value(bitmap);
    } else {
        source["Type"] = picojson::value("LAYER");
    }
    return picojson::value(source);
}

picojson::value V7Host::V7LayersJson() const {
    picojson::array handles;
    for (const auto& layer : layers_) handles.push_back(picojson::value(PointerString(layer.get())));
    return picojson::value(handles);
}

std::string V7Host::HostDataString() const {
    return PointerString(this);
}

std::string V7Host::BitmapProcString() {
    const QFJS_GetV7BitmapProc proc = &V7Host::GetV7Bitmap;
    return PointerString(reinterpret_cast<const void*>(proc));
}

std::string V7Host::LayerDataProcString() {
    const QFJS_GetV7LayerDataProc proc = &V7Host::GetV7LayerData;
    return PointerString(reinterpret_cast<const void*>(proc));
}

void V7Host::AddToRequest(picojson::object* request) const {
    (*request)["HostData"] = picojson::value(HostDataString());
    (*request)["SourcePicture"] = SourcePictureJson();
    (*request)["GetV7Bitmap"] = picojson::value(BitmapProcString());
    (*request)["GetV7LayerData"] = picojson::value(LayerDataProcString());
    if (!layers_.empty()) (*request)["V7Layers"] = V7LayersJson();
}

bool V7Host::GetV7Bitmap(const void* hostData, const void* bitmapHandle, void** image, void** alpha) {
    V7Host* host = HostOf(hostData);
    if (!host) return false;
    const Dibs* found = nullptr;
    for (const auto& dibs : host->single_) {
        if (dibs.get() == bitmapHandle) found = dibs.get();
    }
    host->calls_.push_back(found ? "GetV7Bitmap(picture)" : "GetV7Bitmap(unknown)");
    if (!found) return false;
    if (image) *image = found->image.get();
    if (alpha) *alpha = found->alpha.get();
    return true;
}

bool V7Host::GetV7LayerData(const void* hostData, const void* layerHandle, const char** name, int* x, int* y,
                            bool* hidden, unsigned* opacity, void** image, void** alpha) {
    V7Host* host = HostOf(hostData);
    if (!host) return false;
    int index = -1;
    for (std::size_t i = 0; i < host->layers_.size(); ++i) {
        if (host->layers_[i].get() == layerHandle) index = static_cast<int>(i);
    }
    host->calls_.push_back(index < 0 ? std::string("GetV7LayerData(unknown)")
                                     : "GetV7LayerData(" + std::to_string(index) + ")");
    if (index < 0) return false;
    const LayerRecord& layer = *host->layers_[static_cast<std::size_t>(index)];
    if (name) *name = layer.info.name.c_str();
    if (x) *x = layer.info.x;
    if (y) *y = layer.info.y;
    if (hidden) *hidden = layer.info.hidden;
    if (opacity) *opacity = layer.info.opacity;
    if (image) *image = layer.dibs.image.get();
    if (alpha) *alpha = layer.dibs.alpha.get();
    return true;
}

const void* V7Host::layer_handle(int index) const {
    if (index < 0 || index >= layer_count()) return nullptr;
    return layers_[static_cast<std::size_t>(index)].get();
}

BITMAPINFO* V7Host::single_image() const {
    return single_.empty() ? nullptr : single_.back()->image.info();
}

BITMAPINFO* V7Host::single_alpha() const {
    return single_.empty() ? nullptr : single_.back()->alpha.info();
}

BITMAPINFO* V7Host::layer_image(int index) const {
    if (index < 0 || index >= layer_count()) return nullptr;
    return layers_[static_cast<std::size_t>(index)]->dibs.image.info();
}

BITMAPINFO* V7Host::layer_alpha(int index) const {
    if (index < 0 || index >= layer_count()) return nullptr;
    return layers_[static_cast<std::size_t>(index)]->dibs.alpha.info();
}

std::size_t V7Host::live_blocks() const {
    std::size_t n = 0;
    for (const auto& dibs : single_) n += (dibs->image ? 1 : 0) + (dibs->alpha ? 1 : 0);
    for (const auto& layer : layers_) n += (layer->dibs.image ? 1 : 0) + (layer->dibs.alpha ? 1 : 0);
    return n;
}

bool V7Host::Intact(const Dibs& dibs) {
    if (!dibs.image.GuardIntact() || !dibs.alpha.GuardIntact()) return false;
    if (dibs.image && !SameHeader(*dibs.image.header(), dibs.imageHeader)) return false;
    if (dibs.alpha && !SameHeader(*dibs.alpha.header(), dibs.alphaHeader)) return false;
    return true;
}

bool V7Host::BlocksIntact() const {
    for (const auto& dibs : single_) {
        if (!Intact(*dibs)) return false;
    }
    for (const auto& layer : layers_) {
        if (!Intact(layer->dibs)) return false;
    }
    return true;
}

}  // namespace qfhost
