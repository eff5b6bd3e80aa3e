#include "tests/host/test_png.h"

#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <stdexcept>

namespace qfhost_test {

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

[[noreturn]] void OnError(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

// Only plain locals between setjmp and the end: the jump skips no destructor.
bool Encode(std::FILE* file, const PngLayout& layout, png_bytep* rows) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, OnError, OnWarning);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(layout.width), static_cast<png_uint_32>(layout.height),
                 layout.bitDepth, layout.colorType, layout.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!layout.palette.empty()) {
        png_color colors[256];
        const int n = static_cast<int>(layout.palette.size() / 3);
        for (int i = 0; i < n; ++i) {
            colors[i].red = layout.palette[static_cast<std::size_t>(i) * 3];
            colors[i].green = layout.palette[static_cast<std::size_t>(i) * 3 + 1];
            colors[i].blue = layout.palette[static_cast<std::size_t>(i) * 3 + 2];
        }
        png_set_PLTE(png, info, colors, n);
    }
    if (!layout.paletteAlpha.empty()) {
        png_set_tRNS(png, info, const_cast<png_bytep>(layout.paletteAlpha.data()),
                     static_cast<int>(layout.paletteAlpha.size()), nullptr);
    }
    if (layout.transparentGrey >= 0) {
        png_color_16 grey{};
        grey.gray = static_cast<png_uint_16>(layout.transparentGrey);
        png_set_tRNS(png, info, nullptr, 0, &grey);
    }
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "qfhost-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

bool WritePng(const std::string& path, const PngLayout& layout) {
    std::vector<png_bytep> rows;
    for (const auto& row : layout.rows) rows.push_back(const_cast<png_bytep>(row.data()));
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
    return file && Encode(file.get(), layout, rows.data());
}

bool ReadPng(const std::string& path, PngPixels* out) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
    out->width = static_cast<int>(image.width);
    out->height = static_cast<int>(image.height);
    out->hasAlpha = (image.format & PNG_FORMAT_FLAG_ALPHA) != 0;
    out->hasColor = (image.format & PNG_FORMAT_FLAG_COLOR) != 0;
    out->colormapped = (image.format & PNG_FORMAT_FLAG_COLORMAP) != 0;
    image.format = PNG_FORMAT_RGBA;
    out->rgba.assign(PNG_IMAGE_SIZE(image), 0);
    if (!png_image_finish_read(&image, nullptr, out->rgba.data(), 0, nullptr)) {
        png_image_free(&image);
        return false;
    }
    return true;
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream f(path, std::ios::binary);
    f << bytes;
}

std::string ReadFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

}  // namespace qfhost_test
