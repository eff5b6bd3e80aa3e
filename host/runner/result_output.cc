#include "host/runner/result_output.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace qfjs_runner {

namespace {

using Kind = OutputOutcome::Kind;

OutputOutcome Write(const qfhost::RgbaImage& image, const std::string& path, std::string note) {
    if (image.empty()) return {Kind::kNoPicture, "the result picture has no pixels to write"};
    if (!qfhost::WritePngFile(path, image, image.has_alpha)) {
        return {Kind::kWriteFailed, "cannot write the picture " + path};
    }
    return {Kind::kWritten, std::move(note)};
}

OutputOutcome WriteVersion8(const picojson::value& address, qfhost::Factory& factory, const std::string& path) {
    const void* pointer = nullptr;
    qfhost::Picture* picture = nullptr;
    if (address.is<std::string>() && qfhost::ParsePointerString(address.get<std::string>(), &pointer)) {
        picture = qfhost::AsPicture(factory.GetPicture(pointer));
    }
    if (!picture) return {Kind::kNoPicture, "the script left no picture in ResultPicture; nothing was written"};
    return Write(qfhost::FlattenPicture(*picture), path, std::string());
}

OutputOutcome WriteVersion7(const picojson::value& result, const qfhost::Picture& source, const std::string& path) {
    std::vector<qfhost::V7LayerView> layers;
    if (!qfhost::ParseV7ResultLayers(result, &layers)) {
        return {Kind::kNoPicture, "the script engine reported unreadable result layers; nothing was written"};
    }
    std::int64_t width = 0;
    std::int64_t height = 0;
    for (const qfhost::V7LayerView& layer : layers) {
        if (layer.hidden || !layer.image) continue;
        const std::int64_t w = layer.image->bmiHeader.biWidth;
        const std::int64_t h = std::llabs(static_cast<long long>(layer.image->bmiHeader.biHeight));
        width = std::max(width, layer.x + w);
        height = std::max(height, layer.y + h);
    }
    if (width <= 0 || height <= 0) {
        return Write(qfhost::FlattenPicture(source), path,
                     "qfjs: the script made no visible result layer; " + path + " is the source picture unchanged");
    }
    if (width > qfhost::kMaxSide || height > qfhost::kMaxSide || width * height > qfhost::kMaxArea) {
        return {Kind::kNoPicture, "the result layers reach beyond the largest picture (" + std::to_string(width) +
                                      " x " + std::to_string(height) + "); nothing was written"};
    }
    return Write(qfhost::CompositeV7Layers(layers, static_cast<int>(width), static_cast<int>(height)), path,
                 std::string());
}

}  // namespace

OutputOutcome WriteResultPicture(const picojson::value& result, qfhost::Factory& factory,
                                 const qfhost::Picture& source, const std::string& path) {
    if (result.contains("V8ResultPicture")) return WriteVersion8(result.get("V8ResultPicture"), factory, path);
    return WriteVersion7(result, source, path);
}

}  // namespace qfjs_runner
