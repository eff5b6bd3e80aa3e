#include "host/runner/source_pictures.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "host/runner/test_picture.h"

namespace qfjs_runner {

namespace {

namespace fs = std::filesystem;

std::string AbsolutePath(const std::string& path) {
    std::error_code error;
    const fs::path absolute = fs::absolute(path, error);
    return error ? path : absolute.lexically_normal().string();
}

// The bitmap of one PNG file, or null with *error set.
qfhost::Bitmap* ReadInput(qfhost::Factory& factory, const std::string& path, std::string* error) {
    std::error_code ignored;
    if (!fs::exists(path, ignored)) {
        *error = "cannot read the picture " + path + ": no such file";
        return nullptr;
    }
    if (fs::is_directory(path, ignored)) {
        *error = "cannot read the picture " + path + ": it is a folder";
        return nullptr;
    }
    qfhost::Picture* picture = factory.ReadPicture(path);
    qfhost::Bitmap* bitmap = picture ? picture->bitmap() : nullptr;
    if (!bitmap) {
        *error = "cannot read the picture " + path + " (not a PNG file, damaged, or larger than " +
                 std::to_string(qfhost::kMaxSide) + " pixels a side)";
    }
    return bitmap;
}

}  // namespace

std::string LoadSourcePictures(qfhost::Factory& factory, const std::vector<std::string>& inputs, V7Source* v7,
                               SourcePictures* sources) {
    if (inputs.empty()) {
        qfhost::Bitmap* bitmap = factory.NewBitmapFromRgba(TestPictureImage());
        sources->picture = bitmap ? factory.NewSinglePicture(bitmap) : nullptr;
        if (!sources->picture) return "not enough memory for the test picture";
        v7->SetSingle(bitmap);
        return std::string();
    }

    sources->firstPath = AbsolutePath(inputs.front());
    sources->firstFileName = fs::path(inputs.front()).filename().string();
    std::vector<qfhost::Bitmap*> bitmaps;
    for (const std::string& path : inputs) {
        std::string error;
        qfhost::Bitmap* bitmap = ReadInput(factory, path, &error);
        if (!bitmap) return error;
        bitmaps.push_back(bitmap);
    }

    if (bitmaps.size() == 1) {
        sources->picture = factory.NewSinglePicture(bitmaps.front());
        if (!sources->picture) return "not enough memory for the picture " + inputs.front();
        v7->SetSingle(bitmaps.front());
        return std::string();
    }

    int width = 0;
    int height = 0;
    for (const qfhost::Bitmap* bitmap : bitmaps) {
        width = std::max(width, bitmap->width());
        height = std::max(height, bitmap->height());
    }
    if (!qfhost::ValidSize(width, height)) {
        return "the pictures together need a canvas of " + std::to_string(width) + " x " + std::to_string(height) +
               " pixels, more than the host allows";
    }
    qfhost::Picture* picture = factory.NewLayerPicture(width, height);
    if (!picture) return "not enough memory for a " + std::to_string(width) + " x " + std::to_string(height) + " canvas";
    for (std::size_t i = 0; i < bitmaps.size(); ++i) {
        const std::string name = fs::path(inputs[i]).stem().string();
        qfhost::Layer* layer = factory.NewBitmapLayer(name, bitmaps[i]);
        if (!layer || !picture->AppendLayer(layer)) return "not enough memory for the layers";
        v7->AddLayer(name, bitmaps[i]);
    }
    sources->picture = picture;
    return std::string();
}

}  // namespace qfjs_runner
