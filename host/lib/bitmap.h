// The reference host's raster image (IQFBitmap).
//
// A bitmap stores its pixels in one of three formats (see PixelFormat):
// "INDEX8" (a palette index per pixel, a palette of 1..256 RGBA entries and
// an alpha flag saying whether the palette alphas count), "RGB24" and
// "RGBA32". Channel values are bytes; scripts see them as 0..255.
//
// Positions outside the bitmap and palette indices outside the palette read
// 0 and ignore writes. Without alpha every alpha reads 255 and alpha writes
// are ignored. Colour writes to an index-colour bitmap choose the nearest
// palette entry. docs/reference-host.md describes every operation.
#ifndef QFHOST_BITMAP_H
#define QFHOST_BITMAP_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <picojson.h>

#include "host/lib/object_core.h"
#include "host/lib/pixel.h"
#include "host/lib/rgba_image.h"
#include "qfjs/qf_interfaces.h"

namespace qfhost {

class Bitmap final : public IQFBitmap {
public:
    // A black bitmap (index 0, transparent black for RGBA32) of a size that
    // the factory has checked; index bitmaps get a grey ramp of
    // `paletteCount` entries.
    Bitmap(ObjectKey, Factory& factory, int id, int width, int height, PixelFormat format,
           int paletteCount);
    ~Bitmap() = default;
    Bitmap(const Bitmap&) = delete;
    Bitmap& operator=(const Bitmap&) = delete;

    // IQFObject
    void ReservedObject0() override;
    bool Equals(IQFObject* other) override;
    std::string Jsonize() override;

    // IQFBitmap
    int GetWidth() override;
    int GetHeight() override;
    bool IsIndexColor() override;
    void SetIndexColor(bool indexColor) override;
    bool HasAlpha() override;
    void SetHasAlpha(bool hasAlpha) override;
    int GetPaletteCount() override;
    void SetPaletteCount(int count) override;
    std::string GetPixelType() override;
    IQFBitmap* Duplicate() override;
    void ReservedBitmap0() override;
    void Overlay(IQFBitmap* source, int x, int y) override;
    IQFBitmap* Resize(int width, int height, const char* method) override;
    IQFBitmap* Clip(int a, int b, int c, int d) override;
    int GetPaletteR(int index) override;
    int GetPaletteG(int index) override;
    int GetPaletteB(int index) override;
    int GetPaletteA(int index) override;
    void SetPaletteR(int index, int value) override;
    void SetPaletteG(int index, int value) override;
    void SetPaletteB(int index, int value) override;
    void SetPaletteA(int index, int value) override;
    double GetPixelR(int x, int y) override;
    double GetPixelG(int x, int y) override;
    double GetPixelB(int x, int y) override;
    double GetPixelA(int x, int y) override;
    int GetPixelI(int x, int y) override;
    void SetPixelR(int x, int y, double value) override;
    void SetPixelG(int x, int y, double value) override;
    void SetPixelB(int x, int y, double value) override;
    void SetPixelA(int x, int y, double value) override;
    void SetPixelI(int x, int y, int index) override;
    void SetPixel(int x, int y, const double* r, const double* g, const double* b, const double* a,
                  const int* index) override;

    // C++ side, never recorded in the call log.
    const ObjectCore& core() const { return core_; }
    Factory& factory() const { return core_.factory(); }
    int id() const { return core_.id(); }

    int width() const { return width_; }
    int height() const { return height_; }
    PixelFormat format() const { return format_; }
    bool is_index() const { return format_ == PixelFormat::kIndex8; }
    bool has_alpha() const {
        return format_ == PixelFormat::kRgba32 || (format_ == PixelFormat::kIndex8 && index_alpha_);
    }
    // 1..256 for index colour, 0 for direct colour.
    int palette_count() const { return is_index() ? palette_count_ : 0; }
    bool Contains(int x, int y) const {
        return static_cast<unsigned>(x) < static_cast<unsigned>(width_) &&
               static_cast<unsigned>(y) < static_cast<unsigned>(height_);
    }

    // The colour a pixel shows (palette resolved, alpha 255 without alpha);
    // transparent black outside.
    Rgba PixelColor(int x, int y) const;
    // Sets a pixel's colour (nearest palette entry for index colour; the
    // alpha is ignored without alpha).
    void SetPixelColor(int x, int y, Rgba color);
    // The palette index (0 for direct colour and outside).
    int PixelIndex(int x, int y) const;
    void SetPixelIndex(int x, int y, int index);
    // Palette entry; transparent black outside the palette. Alpha reads 255
    // while the bitmap has no alpha.
    Rgba PaletteColor(int index) const;
    void SetPaletteColor(int index, Rgba color);

    // Format conversions (the rules of SetIndexColor / SetHasAlpha).
    void ConvertToIndex();
    void ConvertToDirect();
    void ChangeAlpha(bool on);
    void ChangePaletteCount(int count);

    // The pixels as RGBA (has_alpha copied from the bitmap).
    RgbaImage ToRgba() const;
    // Takes the size and pixels of `image`, as RGBA32 when `alpha`, else
    // RGB24 (the alpha bytes are dropped).
    void AssignRgba(const RgbaImage& image, bool alpha);
    // Same size, format, palette and stored pixels.
    bool SameContent(const Bitmap& other) const;
    // A new bitmap of the same factory with the same content.
    Bitmap* Copy() const;
    // Changes every colour through `map`: the palette of an index bitmap,
    // every pixel of a direct-colour one. The alpha given to `map` is 255
    // without alpha, and its answer's alpha is ignored then.
    void MapColors(const std::function<Rgba(Rgba)>& map);
    picojson::value ToJson() const;

    // Raw storage: 1, 3 or 4 bytes per pixel, rows top to bottom.
    std::size_t bytes_per_pixel() const;
    const std::vector<std::uint8_t>& data() const { return data_; }
    std::vector<std::uint8_t>& data() { return data_; }

    // Internal forms of the interface's Overlay, Resize and Clip.
    void OverlayFrom(const Bitmap* source, int x, int y);
    Bitmap* Resized(int width, int height, const char* method) const;
    Bitmap* Clipped(int left, int top, int width, int height) const;

private:
    int Channel(int x, int y, int channel) const;
    void SetChannel(int x, int y, int channel, double value);
    int PaletteChannel(int index, int channel) const;
    void SetPaletteChannel(int index, int channel, int value);
    int NearestIndex(Rgba color) const;

    ObjectCore core_;
    int width_;
    int height_;
    PixelFormat format_;
    bool index_alpha_ = false;
    int palette_count_ = 0;
    // RGBA per entry; always 256 entries so that any stored index is safe.
    std::array<std::uint8_t, 1024> palette_{};
    std::vector<std::uint8_t> data_;
};

// Our own bitmap behind an interface pointer, or null (null or foreign).
Bitmap* AsBitmap(IQFBitmap* bitmap);
const Bitmap* AsBitmap(const IQFBitmap* bitmap);

}  // namespace qfhost

#endif
