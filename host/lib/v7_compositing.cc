#include "host/lib/v7_compositing.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "host/lib/compositing.h"
#include "host/lib/dib_convert.h"

namespace qfhost {

namespace {

// A 32-bit integer member; absent leaves `out` alone, anything else that is
// not an integral number in range fails.
bool ReadInt(const picojson::object& o, const char* key, int* out) {
    const auto it = o.find(key);
    if (it == o.end()) return true;
    if (!it->second.is<double>()) return false;
    const double v = it->second.get<double>();
    if (!(v >= -2147483648.0 && v <= 2147483647.0) || v != std::floor(v)) return false;
    *out = static_cast<int>(v);
    return true;
}

}  // namespace

bool ParsePointerString(const std::string& text, const void** pointer) {
    const char* p = text.c_str();
    while (std::isspace(static_cast<unsigned char>(*p))) ++p;
    if (!std::isdigit(static_cast<unsigned char>(*p))) return false;
    errno = 0;
    const unsigned long long value = std::strtoull(p, nullptr, 10);
    if (errno == ERANGE) return false;
    *pointer = reinterpret_cast<const void*>(static_cast<std::uintptr_t>(value));
    return true;
}

bool ParseV7ResultLayers(const picojson::value& result, std::vector<V7LayerView>* layers) {
    layers->clear();
    if (!result.is<picojson::object>()) return false;
    const picojson::object& root = result.get<picojson::object>();
    const auto list = root.find("V7ResultLayers");
    if (list == root.end() || !list->second.is<picojson::array>()) return false;
    for (const picojson::value& element : list->second.get<picojson::array>()) {
        if (!element.is<picojson::object>()) return false;
        const picojson::object& o = element.get<picojson::object>();
        V7LayerView view;
        const auto image = o.find("Image");
        if (o.find("Index") == o.end() || !ReadInt(o, "Index", &view.index)) return false;
        if (image == o.end() || !image->second.is<std::string>()) return false;
        const void* pointer = nullptr;
        if (!ParsePointerString(image->second.get<std::string>(), &pointer)) return false;
        view.image = static_cast<const BITMAPINFO*>(pointer);
        if (const auto alpha = o.find("Alpha"); alpha != o.end()) {
            if (!alpha->second.is<std::string>() ||
                !ParsePointerString(alpha->second.get<std::string>(), &pointer)) {
                return false;
            }
            view.alpha = static_cast<const BITMAPINFO*>(pointer);
        }
        if (const auto name = o.find("Name"); name != o.end()) {
            if (!name->second.is<std::string>()) return false;
            view.name = name->second.get<std::string>();
        }
        if (!ReadInt(o, "PosX", &view.x) || !ReadInt(o, "PosY", &view.y)) return false;
        if (const auto hidden = o.find("Hidden"); hidden != o.end()) {
            if (!hidden->second.is<bool>()) return false;
            view.hidden = hidden->second.get<bool>();
        }
        if (const auto opacity = o.find("Opacity"); opacity != o.end()) {
            if (!opacity->second.is<double>()) return false;
            const double v = opacity->second.get<double>();
            if (!(v >= 0 && v <= 4294967295.0)) return false;
            view.opacity = static_cast<unsigned>(v);
        }
        layers->push_back(std::move(view));
    }
    return true;
}

RgbaImage CompositeV7Layers(const std::vector<V7LayerView>& layers, int width, int height) {
    RgbaImage canvas(width, height, true);
    if (canvas.empty()) return canvas;
    for (const V7LayerView& layer : layers) {
        if (layer.hidden || !layer.image) continue;
        RgbaImage pixels;
        if (!DibToRgba(layer.image, layer.alpha, &pixels)) continue;
        CompositeImage(canvas, pixels, layer.x, layer.y, static_cast<int>(std::min(layer.opacity, 100u)));
    }
    canvas.has_alpha = canvas.AnyTransparent();
    return canvas;
}

}  // namespace qfhost
