#include "host/lib/bitmap.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "host/lib/compositing.h"
#include "host/lib/factory.h"
#include "host/lib/quantize.h"
#include "host/lib/resample.h"

namespace qfhost {

namespace {

std::size_t BytesPerPixel(PixelFormat format) {
    switch (format) {
        case PixelFormat::kIndex8:
            return 1;
        case PixelFormat::kRgb24:
            return 3;
        case PixelFormat::kRgba32:
            return 4;
    }
    return 4;
}

std::uint8_t ChannelOf(Rgba c, int channel) {
    switch (channel) {
        case 0:
            return c.r;
        case 1:
            return c.g;
        case 2:
            return c.b;
        default:
            return c.a;
    }
}

void SetChannelOf(Rgba& c, int channel, std::uint8_t v) {
    switch (channel) {
        case 0:
            c.r = v;
            break;
        case 1:
            c.g = v;
            break;
        case 2:
            c.b = v;
            break;
        default:
            c.a = v;
            break;
    }
}

// The text of a SetPixel call: x, y and each channel given, e.g.
// "1,2,r=10,g=20,b=30" or "1,2,i=3".
logarg::Raw SetPixelArguments(int x, int y, const double* r, const double* g, const double* b,
                              const double* a, const int* index) {
    logarg::Raw raw;
    logarg::Append(raw.text, x);
    raw.text += ',';
    logarg::Append(raw.text, y);
    const double* channels[4] = {r, g, b, a};
    const char* names[4] = {"r=", "g=", "b=", "a="};
    for (int c = 0; c < 4; ++c) {
        if (!channels[c]) continue;
        raw.text += ',';
        raw.text += names[c];
        logarg::Append(raw.text, *channels[c]);
    }
    if (index) {
        raw.text += ",i=";
        logarg::Append(raw.text, *index);
    }
    return raw;
}

}  // namespace

// Inlined into the per-pixel getters, which benchmarks call for every pixel.
[[gnu::always_inline]] inline int Bitmap::Channel(int x, int y, int channel) const {
    if (!Contains(x, y)) return 0;
    const std::size_t i = static_cast<std::size_t>(y) * width_ + x;
    switch (format_) {
        case PixelFormat::kRgb24:
            return channel == 3 ? 255 : data_[i * 3 + channel];
        case PixelFormat::kRgba32:
            return data_[i * 4 + channel];
        case PixelFormat::kIndex8:
            if (channel == 3 && !index_alpha_) return 255;
            return palette_[static_cast<std::size_t>(data_[i]) * 4 + channel];
    }
    return 0;
}

Bitmap* AsBitmap(IQFBitmap* bitmap) {
    return dynamic_cast<Bitmap*>(bitmap);
}

const Bitmap* AsBitmap(const IQFBitmap* bitmap) {
    return dynamic_cast<const Bitmap*>(bitmap);
}

Bitmap::Bitmap(ObjectKey, Factory& factory, int id, int width, int height, PixelFormat format,
               int paletteCount)
    : core_(factory, "Bitmap", id),
      width_(std::max(width, 0)),
      height_(std::max(height, 0)),
      format_(format) {
    data_.assign(static_cast<std::size_t>(width_) * height_ * BytesPerPixel(format_), 0);
    if (is_index()) {
        palette_count_ = std::clamp(paletteCount, 1, 256);
        for (int i = 0; i < palette_count_; ++i) {
            const std::uint8_t grey = static_cast<std::uint8_t>(
                palette_count_ == 1 ? 0 : (i * 255 + (palette_count_ - 1) / 2) / (palette_count_ - 1));
            SetPaletteColor(i, Rgba{grey, grey, grey, 255});
        }
    }
    for (int i = palette_count_; i < 256; ++i) {
        palette_[static_cast<std::size_t>(i) * 4 + 3] = 255;
    }
}

// ---------------------------------------------------------------------------
// Interface operations: record the call, then do the work through the
// internal helpers.

void Bitmap::ReservedObject0() {
    core_.Log("ReservedObject0");
}

bool Bitmap::Equals(IQFObject* other) {
    core_.Log("Equals", static_cast<const IQFObject*>(other));
    if (!other) return false;
    const Bitmap* o = dynamic_cast<const Bitmap*>(other);
    return o && (o == this || SameContent(*o));
}

std::string Bitmap::Jsonize() {
    core_.Log("Jsonize");
    return ToJson().serialize();
}

int Bitmap::GetWidth() {
    core_.Log("GetWidth");
    return width_;
}

int Bitmap::GetHeight() {
    core_.Log("GetHeight");
    return height_;
}

bool Bitmap::IsIndexColor() {
    core_.Log("IsIndexColor");
    return is_index();
}

void Bitmap::SetIndexColor(bool indexColor) {
    core_.Log("SetIndexColor", indexColor);
    try {
        if (indexColor) {
            ConvertToIndex();
        } else {
            ConvertToDirect();
        }
    } catch (const std::bad_alloc&) {
        // Out of memory: the bitmap keeps its format.
    }
}

bool Bitmap::HasAlpha() {
    core_.Log("HasAlpha");
    return has_alpha();
}

void Bitmap::SetHasAlpha(bool hasAlpha) {
    core_.Log("SetHasAlpha", hasAlpha);
    try {
        ChangeAlpha(hasAlpha);
    } catch (const std::bad_alloc&) {
    }
}

int Bitmap::GetPaletteCount() {
    core_.Log("GetPaletteCount");
    return palette_count();
}

void Bitmap::SetPaletteCount(int count) {
    core_.Log("SetPaletteCount", count);
    ChangePaletteCount(count);
}

std::string Bitmap::GetPixelType() {
    core_.Log("GetPixelType");
    return PixelTypeName(format_);
}

IQFBitmap* Bitmap::Duplicate() {
    core_.Log("Duplicate");
    return Copy();
}

void Bitmap::ReservedBitmap0() {
    core_.Log("ReservedBitmap0");
}

void Bitmap::Overlay(IQFBitmap* source, int x, int y) {
    core_.Log("Overlay", static_cast<const IQFObject*>(source), x, y);
    try {
        OverlayFrom(AsBitmap(source), x, y);
    } catch (const std::bad_alloc&) {
    }
}

IQFBitmap* Bitmap::Resize(int width, int height, const char* method) {
    core_.Log("Resize", width, height, method);
    return Resized(width, height, method);
}

IQFBitmap* Bitmap::Clip(int a, int b, int c, int d) {
    core_.Log("Clip", a, b, c, d);
    return Clipped(a, b, c, d);
}

int Bitmap::GetPaletteR(int index) {
    core_.Log("GetPaletteR", index);
    return PaletteChannel(index, 0);
}

int Bitmap::GetPaletteG(int index) {
    core_.Log("GetPaletteG", index);
    return PaletteChannel(index, 1);
}

int Bitmap::GetPaletteB(int index) {
    core_.Log("GetPaletteB", index);
    return PaletteChannel(index, 2);
}

int Bitmap::GetPaletteA(int index) {
    core_.Log("GetPaletteA", index);
    return PaletteChannel(index, 3);
}

void Bitmap::SetPaletteR(int index, int value) {
    core_.Log("SetPaletteR", index, value);
    SetPaletteChannel(index, 0, value);
}

void Bitmap::SetPaletteG(int index, int value) {
    core_.Log("SetPaletteG", index, value);
    SetPaletteChannel(index, 1, value);
}

void Bitmap::SetPaletteB(int index, int value) {
    core_.Log("SetPaletteB", index, value);
    SetPaletteChannel(index, 2, value);
}

void Bitmap::SetPaletteA(int index, int value) {
    core_.Log("SetPaletteA", index, value);
    SetPaletteChannel(index, 3, value);
}

double Bitmap::GetPixelR(int x, int y) {
    core_.Log("GetPixelR", x, y);
    return Channel(x, y, 0);
}

double Bitmap::GetPixelG(int x, int y) {
    core_.Log("GetPixelG", x, y);
    return Channel(x, y, 1);
}

double Bitmap::GetPixelB(int x, int y) {
    core_.Log("GetPixelB", x, y);
    return Channel(x, y, 2);
}

double Bitmap::GetPixelA(int x, int y) {
    core_.Log("GetPixelA", x, y);
    return Channel(x, y, 3);
}

int Bitmap::GetPixelI(int x, int y) {
    core_.Log("GetPixelI", x, y);
    return PixelIndex(x, y);
}

void Bitmap::SetPixelR(int x, int y, double value) {
    core_.Log("SetPixelR", x, y, value);
    SetChannel(x, y, 0, value);
}

void Bitmap::SetPixelG(int x, int y, double value) {
    core_.Log("SetPixelG", x, y, value);
    SetChannel(x, y, 1, value);
}

void Bitmap::SetPixelB(int x, int y, double value) {
    core_.Log("SetPixelB", x, y, value);
    SetChannel(x, y, 2, value);
}

void Bitmap::SetPixelA(int x, int y, double value) {
    core_.Log("SetPixelA", x, y, value);
    SetChannel(x, y, 3, value);
}

void Bitmap::SetPixelI(int x, int y, int index) {
    core_.Log("SetPixelI", x, y, index);
    SetPixelIndex(x, y, index);
}

void Bitmap::SetPixel(int x, int y, const double* r, const double* g, const double* b,
                      const double* a, const int* index) {
    if (core_.factory().log().enabled()) {
        core_.Log("SetPixel", SetPixelArguments(x, y, r, g, b, a, index));
    }
    if (!Contains(x, y)) return;
    // An index wins on index-colour bitmaps; a direct-colour bitmap has no
    // palette, so there only the channels count.
    if (index && is_index()) {
        SetPixelIndex(x, y, *index);
        return;
    }
    if (!r && !g && !b && !a) return;
    if (!is_index()) {
        // Direct colour: write the given channels in place (the per-pixel
        // path of scripts that paint whole bitmaps).
        const std::size_t bpp = format_ == PixelFormat::kRgba32 ? 4 : 3;
        std::uint8_t* p = &data_[(static_cast<std::size_t>(y) * width_ + x) * bpp];
        if (r) p[0] = ClampChannel(*r);
        if (g) p[1] = ClampChannel(*g);
        if (b) p[2] = ClampChannel(*b);
        if (a && bpp == 4) p[3] = ClampChannel(*a);
        return;
    }
    Rgba c = PixelColor(x, y);
    if (r) c.r = ClampChannel(*r);
    if (g) c.g = ClampChannel(*g);
    if (b) c.b = ClampChannel(*b);
    if (a) c.a = ClampChannel(*a);
    SetPixelColor(x, y, c);
}

// ---------------------------------------------------------------------------
// Pixel and palette access.

void Bitmap::SetChannel(int x, int y, int channel, double value) {
    if (!Contains(x, y)) return;
    const std::size_t i = static_cast<std::size_t>(y) * width_ + x;
    switch (format_) {
        case PixelFormat::kRgb24:
            if (channel != 3) data_[i * 3 + channel] = ClampChannel(value);
            return;
        case PixelFormat::kRgba32:
            data_[i * 4 + channel] = ClampChannel(value);
            return;
        case PixelFormat::kIndex8: {
            if (channel == 3 && !index_alpha_) return;
            Rgba c = PixelColor(x, y);
            SetChannelOf(c, channel, ClampChannel(value));
            data_[i] = static_cast<std::uint8_t>(NearestIndex(c));
            return;
        }
    }
}

Rgba Bitmap::PixelColor(int x, int y) const {
    if (!Contains(x, y)) return Rgba{};
    const std::size_t i = static_cast<std::size_t>(y) * width_ + x;
    switch (format_) {
        case PixelFormat::kRgb24: {
            const std::uint8_t* p = &data_[i * 3];
            return Rgba{p[0], p[1], p[2], 255};
        }
        case PixelFormat::kRgba32: {
            const std::uint8_t* p = &data_[i * 4];
            return Rgba{p[0], p[1], p[2], p[3]};
        }
        case PixelFormat::kIndex8: {
            const std::uint8_t* e = &palette_[static_cast<std::size_t>(data_[i]) * 4];
            return Rgba{e[0], e[1], e[2], index_alpha_ ? e[3] : std::uint8_t{255}};
        }
    }
    return Rgba{};
}

void Bitmap::SetPixelColor(int x, int y, Rgba color) {
    if (!Contains(x, y)) return;
    const std::size_t i = static_cast<std::size_t>(y) * width_ + x;
    switch (format_) {
        case PixelFormat::kRgb24:
            data_[i * 3] = color.r;
            data_[i * 3 + 1] = color.g;
            data_[i * 3 + 2] = color.b;
            return;
        case PixelFormat::kRgba32:
            data_[i * 4] = color.r;
            data_[i * 4 + 1] = color.g;
            data_[i * 4 + 2] = color.b;
            data_[i * 4 + 3] = color.a;
            return;
        case PixelFormat::kIndex8:
            data_[i] = static_cast<std::uint8_t>(NearestIndex(color));
            return;
    }
}

int Bitmap::PixelIndex(int x, int y) const {
    if (!is_index() || !Contains(x, y)) return 0;
    return data_[static_cast<std::size_t>(y) * width_ + x];
}

void Bitmap::SetPixelIndex(int x, int y, int index) {
    if (!is_index() || !Contains(x, y) || index < 0 || index >= palette_count_) return;
    data_[static_cast<std::size_t>(y) * width_ + x] = static_cast<std::uint8_t>(index);
}

int Bitmap::PaletteChannel(int index, int channel) const {
    return ChannelOf(PaletteColor(index), channel);
}

void Bitmap::SetPaletteChannel(int index, int channel, int value) {
    if (!is_index() || index < 0 || index >= palette_count_) return;
    if (channel == 3 && !index_alpha_) return;
    palette_[static_cast<std::size_t>(index) * 4 + channel] = ClampChannel(value);
}

Rgba Bitmap::PaletteColor(int index) const {
    if (!is_index() || index < 0 || index >= palette_count_) return Rgba{};
    const std::uint8_t* e = &palette_[static_cast<std::size_t>(index) * 4];
    return Rgba{e[0], e[1], e[2], index_alpha_ ? e[3] : std::uint8_t{255}};
}

void Bitmap::SetPaletteColor(int index, Rgba color) {
    if (!is_index() || index < 0 || index >= palette_count_) return;
    std::uint8_t* e = &palette_[static_cast<std::size_t>(index) * 4];
    e[0] = color.r;
    e[1] = color.g;
    e[2] = color.b;
    e[3] = index_alpha_ ? color.a : std::uint8_t{255};
}

int Bitmap::NearestIndex(Rgba color) const {
    return NearestPaletteIndex(palette_, palette_count_, color, index_alpha_);
}

// ---------------------------------------------------------------------------
// Format changes.

void Bitmap::ConvertToIndex() {
    if (is_index()) return;
    const bool alpha = has_alpha();
    PaletteTable palette{};
    int count = 0;
    std::vector<std::uint8_t> indices;
    QuantizeImage(ToRgba(), alpha, &palette, &count, &indices);
    palette_ = palette;
    for (int i = count; i < 256; ++i) palette_[static_cast<std::size_t>(i) * 4 + 3] = 255;
    palette_count_ = count;
    data_ = std::move(indices);
    index_alpha_ = alpha;
    format_ = PixelFormat::kIndex8;
}

void Bitmap::ConvertToDirect() {
    if (!is_index()) return;
    const RgbaImage image = ToRgba();
    const bool alpha = index_alpha_;
    AssignRgba(image, alpha);
}

void Bitmap::ChangeAlpha(bool on) {
    switch (format_) {
        case PixelFormat::kRgb24:
            if (on) AssignRgba(ToRgba(), true);
            return;
        case PixelFormat::kRgba32:
            if (!on) AssignRgba(ToRgba(), false);
            return;
        case PixelFormat::kIndex8:
            index_alpha_ = on;
            // Alpha that is switched off is forgotten: every entry is opaque.
            if (!on) {
                for (int i = 0; i < 256; ++i) palette_[static_cast<std::size_t>(i) * 4 + 3] = 255;
            }
            return;
    }
}

void Bitmap::ChangePaletteCount(int count) {
    if (!is_index() || count < 1 || count > 256 || count == palette_count_) return;
    if (count > palette_count_) {
        for (int i = palette_count_; i < count; ++i) {
            std::uint8_t* e = &palette_[static_cast<std::size_t>(i) * 4];
            e[0] = e[1] = e[2] = 0;
            e[3] = 255;
        }
        palette_count_ = count;
        return;
    }
    // Pixels that used a dropped entry take the nearest remaining one.
    int remap[256];
    for (int i = 0; i < 256; ++i) {
        if (i < count) {
            remap[i] = i;
        } else {
            const std::uint8_t* e = &palette_[static_cast<std::size_t>(i) * 4];
            remap[i] = NearestPaletteIndex(palette_, count, Rgba{e[0], e[1], e[2], e[3]}, index_alpha_);
        }
    }
    for (std::uint8_t& p : data_) p = static_cast<std::uint8_t>(remap[p]);
    palette_count_ = count;
}

// ---------------------------------------------------------------------------
// Whole-bitmap helpers.

std::size_t Bitmap::bytes_per_pixel() const {
    return BytesPerPixel(format_);
}

RgbaImage Bitmap::ToRgba() const {
    RgbaImage image(width_, height_, has_alpha());
    for (int y = 0; y < height_; ++y) {
        std::uint8_t* row = image.Row(y);
        for (int x = 0; x < width_; ++x) {
            const Rgba c = PixelColor(x, y);
            row[x * 4] = c.r;
            row[x * 4 + 1] = c.g;
            row[x * 4 + 2] = c.b;
            row[x * 4 + 3] = c.a;
        }
    }
    return image;
}

void Bitmap::AssignRgba(const RgbaImage& image, bool alpha) {
    const PixelFormat format = alpha ? PixelFormat::kRgba32 : PixelFormat::kRgb24;
    const std::size_t n = static_cast<std::size_t>(image.empty() ? 0 : image.width) *
                          (image.empty() ? 0 : image.height);
    std::vector<std::uint8_t> data(n * BytesPerPixel(format));
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint8_t* p = image.pixels.data() + i * 4;
        if (alpha) {
            std::memcpy(&data[i * 4], p, 4);
        } else {
            std::memcpy(&data[i * 3], p, 3);
        }
    }
    data_ = std::move(data);
    width_ = image.empty() ? 0 : image.width;
    height_ = image.empty() ? 0 : image.height;
    format_ = format;
    index_alpha_ = false;
    palette_count_ = 0;
    palette_.fill(0);
    for (int i = 0; i < 256; ++i) palette_[static_cast<std::size_t>(i) * 4 + 3] = 255;
}

bool Bitmap::SameContent(const Bitmap& other) const {
    if (width_ != other.width_ || height_ != other.height_ || format_ != other.format_ ||
        has_alpha() != other.has_alpha() || palette_count() != other.palette_count()) {
        return false;
    }
    if (is_index() &&
        std::memcmp(palette_.data(), other.palette_.data(), static_cast<std::size_t>(palette_count_) * 4) != 0) {
        return false;
    }
    return data_ == other.data_;
}

Bitmap* Bitmap::Copy() const {
    Bitmap* copy = factory().MakeBitmap(width_, height_, format_, std::max(palette_count_, 1));
    if (!copy) return nullptr;
    copy->index_alpha_ = index_alpha_;
    copy->palette_count_ = palette_count_;
    copy->palette_ = palette_;
    copy->data_ = data_;
    return copy;
}

void Bitmap::MapColors(const std::function<Rgba(Rgba)>& map) {
    if (is_index()) {
        for (int i = 0; i < palette_count_; ++i) SetPaletteColor(i, map(PaletteColor(i)));
        return;
    }
    for (int y = 0; y < height_; ++y) {
        for (int x = 0; x < width_; ++x) SetPixelColor(x, y, map(PixelColor(x, y)));
    }
}

picojson::value Bitmap::ToJson() const {
    picojson::object o;
    o["Type"] = picojson::value("Bitmap");
    o["Width"] = picojson::value(static_cast<std::int64_t>(width_));
    o["Height"] = picojson::value(static_cast<std::int64_t>(height_));
    o["PixelType"] = picojson::value(PixelTypeName(format_));
    o["IndexColor"] = picojson::value(is_index());
    o["HasAlpha"] = picojson::value(has_alpha());
    o["PaletteCount"] = picojson::value(static_cast<std::int64_t>(palette_count()));
    return picojson::value(o);
}

void Bitmap::OverlayFrom(const Bitmap* source, int x, int y) {
    if (!source) return;
    // Overlaying a bitmap on itself reads from a snapshot so that written
    // pixels are not read again.
    RgbaImage snapshot;
    if (source == this) snapshot = ToRgba();
    const int sw = source->width_, sh = source->height_;
    const long long x0 = std::max<long long>(0, -static_cast<long long>(x));
    const long long y0 = std::max<long long>(0, -static_cast<long long>(y));
    const long long x1 = std::min<long long>(sw, static_cast<long long>(width_) - x);
    const long long y1 = std::min<long long>(sh, static_cast<long long>(height_) - y);
    for (long long sy = y0; sy < y1; ++sy) {
        const int dy = static_cast<int>(sy + y);
        for (long long sx = x0; sx < x1; ++sx) {
            const int dx = static_cast<int>(sx + x);
            const Rgba s = source == this ? snapshot.At(static_cast<int>(sx), static_cast<int>(sy))
                                          : source->PixelColor(static_cast<int>(sx), static_cast<int>(sy));
            SetPixelColor(dx, dy, BlendOver(PixelColor(dx, dy), s, 255));
        }
    }
}

Bitmap* Bitmap::Resized(int width, int height, const char* method) const {
    ResampleMethod how;
    if (!ParseResampleMethod(method, &how) || !ValidSize(width, height)) return nullptr;
    try {
        if (is_index() || how == ResampleMethod::kNearest) {
            // Index colour keeps its palette: every method picks pixels.
            Bitmap* out = factory().MakeBitmap(width, height, format_, std::max(palette_count_, 1));
            if (!out) return nullptr;
            out->index_alpha_ = index_alpha_;
            out->palette_count_ = palette_count_;
            out->palette_ = palette_;
            const std::size_t bpp = bytes_per_pixel();
            std::vector<int> columns(static_cast<std::size_t>(width));
            for (int x = 0; x < width; ++x) columns[x] = NearestSourceIndex(x, width_, width);
            for (int y = 0; y < height; ++y) {
                const int sy = NearestSourceIndex(y, height_, height);
                const std::uint8_t* src = data_.data() + static_cast<std::size_t>(sy) * width_ * bpp;
                std::uint8_t* dst = out->data_.data() + static_cast<std::size_t>(y) * width * bpp;
                for (int x = 0; x < width; ++x) std::memcpy(dst + x * bpp, src + columns[x] * bpp, bpp);
            }
            return out;
        }
        const RgbaImage scaled = Resample(ToRgba(), width, height, how);
        Bitmap* out = factory().MakeBitmap(width, height, format_, 1);
        if (!out) return nullptr;
        out->AssignRgba(scaled, has_alpha());
        return out;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

Bitmap* Bitmap::Clipped(int left, int top, int width, int height) const {
    if (width <= 0 || height <= 0) return nullptr;
    const long long x0 = std::max<long long>(left, 0);
    const long long y0 = std::max<long long>(top, 0);
    const long long x1 = std::min<long long>(static_cast<long long>(left) + width, width_);
    const long long y1 = std::min<long long>(static_cast<long long>(top) + height, height_);
    if (x1 <= x0 || y1 <= y0) return nullptr;
    const int w = static_cast<int>(x1 - x0), h = static_cast<int>(y1 - y0);
    Bitmap* out = factory().MakeBitmap(w, h, format_, std::max(palette_count_, 1));
    if (!out) return nullptr;
    out->index_alpha_ = index_alpha_;
    out->palette_count_ = palette_count_;
    out->palette_ = palette_;
    const std::size_t bpp = bytes_per_pixel();
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* src =
            data_.data() + (static_cast<std::size_t>(y0 + y) * width_ + static_cast<std::size_t>(x0)) * bpp;
        std::memcpy(out->data_.data() + static_cast<std::size_t>(y) * w * bpp, src, w * bpp);
    }
    return out;
}

}  // namespace qfhost
