#include "tests/model_v7/v7_test_host.h"

#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace v7test {

namespace {

constexpr std::size_t kGuard = 16;

V7TestHost* HostOf(const void* hostData) {
    return static_cast<V7TestHost*>(static_cast<qfjs_test::Recorder*>(const_cast<void*>(hostData)));
}

}  // namespace

int RowBytes(const BITMAPINFO* dib) {
    const int width = dib->bmiHeader.biWidth;
    return dib->bmiHeader.biBitCount == 24 ? (3 * width + 3) / 4 * 4 : (width + 3) / 4 * 4;
}

int TableSize(const BITMAPINFO* dib) {
    if (dib->bmiHeader.biBitCount > 8) return 0;
    const unsigned used = dib->bmiHeader.biClrUsed;
    const unsigned full = 1u << dib->bmiHeader.biBitCount;
    return static_cast<int>(used >= 1 && used <= full ? used : full);
}

RGBQUAD* TableOf(BITMAPINFO* dib) {
    return reinterpret_cast<RGBQUAD*>(reinterpret_cast<unsigned char*>(dib) + 40);
}

std::uint8_t* PixelOf(BITMAPINFO* dib, int x, int y) {
    unsigned char* bits = reinterpret_cast<unsigned char*>(dib) + 40 + 4 * TableSize(dib);
    const int bytesPerPixel = dib->bmiHeader.biBitCount == 24 ? 3 : 1;
    return bits + static_cast<std::size_t>(RowBytes(dib)) * (dib->bmiHeader.biHeight - 1 - y) + bytesPerPixel * x;
}

V7TestHost::~V7TestHost() {
    for (unsigned char* block : blocks_) {
        std::free(block);
        ++released_;
    }
}

BITMAPINFO* V7TestHost::NewBitmap(int width, int height, int bitCount, int entries) {
    const bool index = bitCount <= 8;
    const int tableSize = index ? entries : 0;
    const int stride = index ? (width + 3) / 4 * 4 : (3 * width + 3) / 4 * 4;
    const std::size_t size = 40 + 4 * static_cast<std::size_t>(tableSize) + static_cast<std::size_t>(stride) * height;
    auto* block = static_cast<unsigned char*>(std::calloc(kGuard + size, 1));
    if (!block) throw std::bad_alloc();
    blocks_.push_back(block);
    ++allocated_;
    auto* dib = reinterpret_cast<BITMAPINFO*>(block + kGuard);
    BITMAPINFOHEADER& h = dib->bmiHeader;
    h.biSize = 40;
    h.biWidth = width;
    h.biHeight = height;
    h.biPlanes = 1;
    h.biBitCount = static_cast<std::uint16_t>(index ? 8 : 24);
    h.biSizeImage = static_cast<std::uint32_t>(stride * height);
    h.biClrUsed = index && entries != 256 ? static_cast<std::uint32_t>(entries) : 0;
    return dib;
}

BITMAPINFO* V7TestHost::NewAlphaPlane(int width, int height, bool forIndexImage, std::uint8_t alpha) {
    if (forIndexImage) {
        BITMAPINFO* plane = NewBitmap(16, 16, 8);
        for (int i = 0; i < 256; ++i) TableOf(plane)[i] = RGBQUAD{alpha, alpha, alpha, 0};
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 16; ++x) *PixelOf(plane, x, y) = static_cast<std::uint8_t>(16 * y + x);
        }
        return plane;
    }
    BITMAPINFO* plane = NewBitmap(width, height, 8);
    for (int i = 0; i < 256; ++i) {
        const auto v = static_cast<std::uint8_t>(i);
        TableOf(plane)[i] = RGBQUAD{v, v, v, 0};
    }
    for (int y = 0; y < height; ++y) std::memset(PixelOf(plane, 0, y), alpha, static_cast<std::size_t>(width));
    return plane;
}

bool V7TestHost::Owns(const void* bitmap) const {
    for (unsigned char* block : blocks_) {
        if (block + kGuard == bitmap) return true;
    }
    return false;
}

qfjs_test::Request V7TestHost::MakeRequest() {
    qfjs_test::Request request(this);
    picojson::object source;
    if (single) {
        picojson::object bitmap;
        bitmap["Handle"] = picojson::value(std::to_string(kSingleHandle));
        source["Type"] = picojson::value("SINGLE");
        source["Bitmap"] = picojson::value(bitmap);
    } else {
        source["Type"] = picojson::value("LAYERED");
        picojson::array handles;
        for (std::size_t i = 0; i < layers.size(); ++i) handles.emplace_back(std::to_string(i + 1));
        request.Set("V7Layers", picojson::value(handles));
    }
    request.Set("SourcePicture", picojson::value(source));
    request.SetPointer("GetV7Bitmap", reinterpret_cast<const void*>(&V7TestHost::GetV7Bitmap));
    request.SetPointer("GetV7LayerData", reinterpret_cast<const void*>(&V7TestHost::GetV7LayerData));
    return request;
}

bool V7TestHost::GetV7Bitmap(const void* hostData, const void* handle, void** image, void** alpha) {
    V7TestHost* host = HostOf(hostData);
    const auto value = reinterpret_cast<std::uintptr_t>(handle);
    host->calls.push_back("bitmap " + std::to_string(value));
    if (value != kSingleHandle) return false;
    *image = host->singleImage;
    *alpha = host->singleAlpha;
    return true;
}

bool V7TestHost::GetV7LayerData(const void* hostData, const void* handle, const char** name, int* x, int* y,
                                bool* hidden, unsigned* opacity, void** image, void** alpha) {
    V7TestHost* host = HostOf(hostData);
    const auto value = reinterpret_cast<std::uintptr_t>(handle);
    host->calls.push_back("layer " + std::to_string(value));
    // The engine presets the values the host may leave alone.
    if (*name != nullptr || *x != 0 || *y != 0 || *hidden || *opacity != 100) {
        host->calls.push_back("layer values not preset");
    }
    if (value < 1 || value > host->layers.size()) return false;
    const Layer& layer = host->layers[value - 1];
    // The name's storage is reused by the next call: the engine must copy it.
    if (layer.name) {
        host->nameBuffer_ = *layer.name;
        *name = host->nameBuffer_.c_str();
    }
    *x = layer.x;
    *y = layer.y;
    *hidden = layer.hidden;
    *opacity = layer.opacity;
    *image = layer.image;
    *alpha = layer.alpha;
    return true;
}

}  // namespace v7test
