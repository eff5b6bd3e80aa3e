#include "host/lib/png_io.h"

#include <png.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include <picojson.h>

#include "host/lib/bitmap.h"
#include "host/lib/compositing.h"
#include "host/lib/factory.h"
#include "host/lib/picture.h"

namespace qfhost {

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// libpng reports errors by calling this, which must not return: it jumps
// back to the setjmp of the decoding or encoding function. Those functions
// keep only plain pointers and numbers in their own frame (every C++ object
// lives in the caller), so the jump skips no destructor.
[[noreturn]] void OnPngError(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

bool ParseOptions(const char* json, picojson::object* options) {
    options->clear();
    if (!json || !*json) return true;
    picojson::value v;
    const std::string error = picojson::parse(v, std::string(json));
    if (!error.empty() || !v.is<picojson::object>()) return false;
    *options = v.get<picojson::object>();
    return true;
}

// Sizes the pixel buffer and the row pointers; false when memory runs out.
bool AllocateRows(PngImage* image, std::size_t rowBytes, std::vector<png_bytep>* rows) noexcept {
    try {
        image->pixels.assign(rowBytes * static_cast<std::size_t>(image->height), 0);
        rows->resize(static_cast<std::size_t>(image->height));
        for (int y = 0; y < image->height; ++y) {
            (*rows)[static_cast<std::size_t>(y)] = image->pixels.data() + rowBytes * static_cast<std::size_t>(y);
        }
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

// Decodes an open PNG file. Only trivially destructible locals between
// setjmp and the end (see OnPngError).
bool DecodePng(std::FILE* file, bool keepIndex, PngImage* image, std::vector<png_bytep>* rows) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, OnPngError, OnPngWarning);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_init_io(png, file);
    png_set_user_limits(png, kMaxSide, kMaxSide);
    png_read_info(png, info);

    png_uint_32 width = 0, height = 0;
    int depth = 0, colorType = 0, interlace = 0;
    png_get_IHDR(png, info, &width, &height, &depth, &colorType, &interlace, nullptr, nullptr);
    if (!ValidSize(static_cast<int>(width), static_cast<int>(height))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    image->width = static_cast<int>(width);
    image->height = static_cast<int>(height);
    image->indexed = colorType == PNG_COLOR_TYPE_PALETTE && keepIndex;

    if (image->indexed) {
        png_colorp palette = nullptr;
        int entries = 0;
        if (!png_get_PLTE(png, info, &palette, &entries) || entries < 1 || entries > 256) {
            png_destroy_read_struct(&png, &info, nullptr);
            return false;
        }
        image->palette_count = entries;
        for (int i = 0; i < 256; ++i) {
            std::uint8_t* e = image->palette.data() + i * 4;
            if (i < entries) {
                e[0] = palette[i].red;
                e[1] = palette[i].green;
                e[2] = palette[i].blue;
            }
            e[3] = 255;
        }
        png_bytep alphas = nullptr;
        int alphaCount = 0;
        if (png_get_tRNS(png, info, &alphas, &alphaCount, nullptr) && alphas && alphaCount > 0) {
            image->has_alpha = true;
            for (int i = 0; i < alphaCount && i < 256; ++i) image->palette[static_cast<std::size_t>(i) * 4 + 3] = alphas[i];
        }
        if (depth < 8) png_set_packing(png);
    } else {
        const bool trns = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
        image->has_alpha = (colorType & PNG_COLOR_MASK_ALPHA) != 0 || trns;
        if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
        if (colorType == PNG_COLOR_TYPE_GRAY && depth < 8) png_set_expand_gray_1_2_4_to_8(png);
        if (trns) png_set_tRNS_to_alpha(png);
        if (depth == 16) png_set_scale_16(png);
        if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(png);
        if (!image->has_alpha) png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    }
    png_set_interlace_handling(png);
    png_read_update_info(png, info);

    const std::size_t rowBytes = png_get_rowbytes(png, info);
    const std::size_t expected = static_cast<std::size_t>(width) * (image->indexed ? 1 : 4);
    if (rowBytes != expected || !AllocateRows(image, rowBytes, rows)) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_read_image(png, rows->data());
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

// Encodes RGBA rows as an RGB (filler dropped) or RGBA PNG. Only trivially
// destructible locals (see OnPngError).
bool EncodePng(std::FILE* file, int width, int height, bool alpha, int compression, png_bytep* rows) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, OnPngError, OnPngWarning);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    if (compression >= 0) png_set_compression_level(png, compression);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    if (!alpha) png_set_filler(png, 0, PNG_FILLER_AFTER);
    png_write_image(png, rows);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace

bool ParsePngLoadOptions(const char* json, PngLoadOptions* options) {
    *options = PngLoadOptions{};
    picojson::object o;
    if (!ParseOptions(json, &o)) return false;
    const auto it = o.find("IndexColor");
    if (it != o.end()) {
        if (!it->second.is<bool>()) return false;
        options->keep_index = it->second.get<bool>();
    }
    return true;
}

bool ParsePngSaveOptions(const char* json, PngSaveOptions* options) {
    *options = PngSaveOptions{};
    picojson::object o;
    if (!ParseOptions(json, &o)) return false;
    if (const auto it = o.find("Alpha"); it != o.end() && !it->second.is<picojson::null>()) {
        if (!it->second.is<bool>()) return false;
        options->alpha = it->second.get<bool>() ? PngSaveOptions::Alpha::kOn : PngSaveOptions::Alpha::kOff;
    }
    if (const auto it = o.find("Background"); it != o.end()) {
        if (!it->second.is<picojson::array>()) return false;
        const picojson::array& a = it->second.get<picojson::array>();
        if (a.size() != 3) return false;
        std::uint8_t c[3];
        for (std::size_t i = 0; i < 3; ++i) {
            if (!a[i].is<double>()) return false;
            const double v = a[i].get<double>();
            if (!(v >= 0 && v <= 255)) return false;
            c[i] = ClampChannel(v);
        }
        options->background = Rgba{c[0], c[1], c[2], 255};
    }
    if (const auto it = o.find("Compression"); it != o.end()) {
        if (!it->second.is<double>()) return false;
        const double v = it->second.get<double>();
        if (v != std::floor(v) || v < -1 || v > 9) return false;
        options->compression = static_cast<int>(v);
    }
    if (const auto it = o.find("Frame"); it != o.end()) {
        if (!it->second.is<double>()) return false;
        const double v = it->second.get<double>();
        if (v != std::floor(v) || v < -1 || v > 1e9) return false;
        options->frame = static_cast<int>(v);
    }
    return true;
}

bool ReadPngFile(const std::string& path, bool keepIndex, PngImage* image) {
    *image = PngImage{};
    if (path.empty()) return false;
    FilePtr file(std::fopen(path.c_str(), "rb"));
    if (!file) return false;
    png_byte signature[8];
    if (std::fread(signature, 1, sizeof signature, file.get()) != sizeof signature ||
        png_sig_cmp(signature, 0, sizeof signature) != 0) {
        return false;
    }
    std::rewind(file.get());
    std::vector<png_bytep> rows;
    if (!DecodePng(file.get(), keepIndex, image, &rows)) {
        *image = PngImage{};
        return false;
    }
    if (image->indexed) {
        // A damaged file may use indices beyond its palette; those entries
        // exist as opaque black so that every pixel stays meaningful.
        int highest = 0;
        for (std::uint8_t p : image->pixels) highest = std::max<int>(highest, p);
        if (highest >= image->palette_count) image->palette_count = highest + 1;
    }
    return true;
}

bool WritePngFile(const std::string& path, const RgbaImage& image, bool alpha, int compression) {
    if (path.empty() || image.empty()) return false;
    std::vector<png_bytep> rows;
    try {
        rows.resize(static_cast<std::size_t>(image.height));
    } catch (const std::bad_alloc&) {
        return false;
    }
    for (int y = 0; y < image.height; ++y) {
        rows[static_cast<std::size_t>(y)] = const_cast<png_bytep>(image.Row(y));
    }
    // Written beside the target and renamed over it, so that a failure
    // leaves no half file and keeps an existing one.
    const std::string temporary = path + ".qfhost-partial";
    FilePtr file(std::fopen(temporary.c_str(), "wb"));
    if (!file) return false;
    bool ok = EncodePng(file.get(), image.width, image.height, alpha, compression, rows.data());
    ok = std::fflush(file.get()) == 0 && ok;
    ok = std::fclose(file.release()) == 0 && ok;
    if (ok) ok = std::rename(temporary.c_str(), path.c_str()) == 0;
    if (!ok) std::remove(temporary.c_str());
    return ok;
}

Picture* LoadPngPicture(Factory& factory, const char* path, const char* options) {
    PngLoadOptions opts;
    if (!path || !ParsePngLoadOptions(options, &opts)) return nullptr;
    try {
        PngImage png;
        if (!ReadPngFile(path, opts.keep_index, &png)) return nullptr;
        Bitmap* bitmap = nullptr;
        if (png.indexed) {
            bitmap = factory.MakeBitmap(png.width, png.height, PixelFormat::kIndex8, png.palette_count);
            if (!bitmap) return nullptr;
            bitmap->ChangeAlpha(png.has_alpha);
            for (int i = 0; i < png.palette_count; ++i) {
                const std::uint8_t* e = png.palette.data() + i * 4;
                bitmap->SetPaletteColor(i, Rgba{e[0], e[1], e[2], e[3]});
            }
            bitmap->data() = std::move(png.pixels);
        } else {
            RgbaImage rgba;
            rgba.width = png.width;
            rgba.height = png.height;
            rgba.has_alpha = png.has_alpha;
            rgba.pixels = std::move(png.pixels);
            bitmap = factory.NewBitmapFromRgba(rgba);
            if (!bitmap) return nullptr;
        }
        return factory.NewSinglePicture(bitmap);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

bool SavePngPicture(const Picture& picture, const char* path, const char* options) {
    PngSaveOptions opts;
    if (!path || !ParsePngSaveOptions(options, &opts)) return false;
    try {
        RgbaImage image = FlattenPicture(picture, opts.frame);
        if (image.empty()) return false;
        bool alpha = image.has_alpha;
        if (opts.alpha != PngSaveOptions::Alpha::kAuto) alpha = opts.alpha == PngSaveOptions::Alpha::kOn;
        if (!alpha && image.AnyTransparent()) image = OverBackground(image, opts.background);
        return WritePngFile(path, image, alpha, opts.compression);
    } catch (const std::bad_alloc&) {
        return false;
    }
}

}  // namespace qfhost
