#include "host/lib/quantize.h"

#include <algorithm>
#include <cstddef>
#include <unordered_map>

namespace qfhost {

namespace {

std::uint32_t Pack(Rgba c) {
    return static_cast<std::uint32_t>(c.r) | static_cast<std::uint32_t>(c.g) << 8 |
           static_cast<std::uint32_t>(c.b) << 16 | static_cast<std::uint32_t>(c.a) << 24;
}

Rgba Unpack(std::uint32_t v) {
    return Rgba{static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
                static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
}

Rgba PixelOf(const RgbaImage& image, std::size_t i, bool useAlpha) {
    const std::uint8_t* p = image.pixels.data() + i * 4;
    return Rgba{p[0], p[1], p[2], useAlpha ? p[3] : std::uint8_t{255}};
}

void SetEntry(PaletteTable* palette, int index, Rgba c) {
    std::uint8_t* e = palette->data() + index * 4;
    e[0] = c.r;
    e[1] = c.g;
    e[2] = c.b;
    e[3] = c.a;
}

// One distinct colour of the image and how many pixels have it.
struct Sample {
    std::uint8_t channel[4];
    std::uint32_t count;
};

// A range of samples that becomes one palette entry.
struct Box {
    std::size_t begin;
    std::size_t end;
    int widestChannel;
    int range;  // of the widest channel; 0 when the box cannot be split
};

Box MeasureBox(const std::vector<Sample>& samples, std::size_t begin, std::size_t end,
               int channels) {
    Box box{begin, end, 0, 0};
    if (end - begin < 2) return box;
    for (int c = 0; c < channels; ++c) {
        int lo = 255, hi = 0;
        for (std::size_t i = begin; i < end; ++i) {
            lo = std::min<int>(lo, samples[i].channel[c]);
            hi = std::max<int>(hi, samples[i].channel[c]);
        }
        if (hi - lo > box.range) {
            box.range = hi - lo;
            box.widestChannel = c;
        }
    }
    return box;
}

// Median cut: split the box with the widest channel range at the pixel-count
// median of that channel until there are `maxColors` boxes or none can be
// split.
std::vector<Box> MedianCut(std::vector<Sample>& samples, int channels, int maxColors) {
    std::vector<Box> boxes{MeasureBox(samples, 0, samples.size(), channels)};
    while (static_cast<int>(boxes.size()) < maxColors) {
        std::size_t pick = boxes.size();
        for (std::size_t i = 0; i < boxes.size(); ++i) {
            if (boxes[i].range > 0 && (pick == boxes.size() || boxes[i].range > boxes[pick].range)) {
                pick = i;
            }
        }
        if (pick == boxes.size()) break;
        const Box box = boxes[pick];
        const int c = box.widestChannel;
        std::sort(samples.begin() + box.begin, samples.begin() + box.end,
                  [c](const Sample& x, const Sample& y) { return x.channel[c] < y.channel[c]; });
        std::uint64_t total = 0;
        for (std::size_t i = box.begin; i < box.end; ++i) total += samples[i].count;
        std::uint64_t running = 0;
        std::size_t split = box.begin + 1;
        for (std::size_t i = box.begin; i < box.end - 1; ++i) {
            running += samples[i].count;
            split = i + 1;
            if (running * 2 >= total) break;
        }
        boxes[pick] = MeasureBox(samples, box.begin, split, channels);
        boxes.push_back(MeasureBox(samples, split, box.end, channels));
    }
    return boxes;
}

}  // namespace

int NearestPaletteIndex(const PaletteTable& palette, int count, Rgba color, bool useAlpha) {
    int best = 0;
    long bestDistance = -1;
    for (int i = 0; i < count; ++i) {
        const std::uint8_t* e = palette.data() + i * 4;
        const long dr = e[0] - color.r, dg = e[1] - color.g, db = e[2] - color.b;
        long d = dr * dr + dg * dg + db * db;
        if (useAlpha) {
            const long da = e[3] - color.a;
            d += da * da;
        }
        if (bestDistance < 0 || d < bestDistance) {
            bestDistance = d;
            best = i;
            if (d == 0) break;
        }
    }
    return best;
}

void QuantizeImage(const RgbaImage& image, bool useAlpha, PaletteTable* palette, int* count,
                   std::vector<std::uint8_t>* indices) {
    palette->fill(0);
    const std::size_t n = static_cast<std::size_t>(image.width > 0 ? image.width : 0) *
                          static_cast<std::size_t>(image.height > 0 ? image.height : 0);
    indices->assign(n, 0);

    // Exact palette when the image has few enough colours.
    std::unordered_map<std::uint32_t, int> exact;
    bool fits = true;
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint32_t key = Pack(PixelOf(image, i, useAlpha));
        auto it = exact.find(key);
        if (it == exact.end()) {
            if (exact.size() == 256) {
                fits = false;
                break;
            }
            const int index = static_cast<int>(exact.size());
            it = exact.emplace(key, index).first;
            SetEntry(palette, index, Unpack(key));
        }
        (*indices)[i] = static_cast<std::uint8_t>(it->second);
    }
    if (fits) {
        *count = exact.empty() ? 1 : static_cast<int>(exact.size());
        if (exact.empty()) SetEntry(palette, 0, Rgba{0, 0, 0, 255});
        return;
    }

    std::unordered_map<std::uint32_t, std::uint32_t> histogram;
    for (std::size_t i = 0; i < n; ++i) ++histogram[Pack(PixelOf(image, i, useAlpha))];
    std::vector<Sample> samples;
    samples.reserve(histogram.size());
    for (const auto& [key, pixels] : histogram) {
        const Rgba c = Unpack(key);
        samples.push_back(Sample{{c.r, c.g, c.b, c.a}, pixels});
    }
    // The histogram's order depends on hashing; sort so the palette does not.
    std::sort(samples.begin(), samples.end(), [](const Sample& x, const Sample& y) {
        return Pack(Rgba{x.channel[0], x.channel[1], x.channel[2], x.channel[3]}) <
               Pack(Rgba{y.channel[0], y.channel[1], y.channel[2], y.channel[3]});
    });
    const std::vector<Box> boxes = MedianCut(samples, useAlpha ? 4 : 3, 256);
    for (std::size_t b = 0; b < boxes.size(); ++b) {
        double sum[4] = {0, 0, 0, 0};
        double weight = 0;
        for (std::size_t i = boxes[b].begin; i < boxes[b].end; ++i) {
            for (int c = 0; c < 4; ++c) sum[c] += samples[i].channel[c] * double(samples[i].count);
            weight += samples[i].count;
        }
        Rgba mean;
        mean.r = ClampChannel(sum[0] / weight);
        mean.g = ClampChannel(sum[1] / weight);
        mean.b = ClampChannel(sum[2] / weight);
        mean.a = useAlpha ? ClampChannel(sum[3] / weight) : 255;
        SetEntry(palette, static_cast<int>(b), mean);
    }
    *count = static_cast<int>(boxes.size());

    std::unordered_map<std::uint32_t, std::uint8_t> nearest;
    for (std::size_t i = 0; i < n; ++i) {
        const Rgba c = PixelOf(image, i, useAlpha);
        const std::uint32_t key = Pack(c);
        auto it = nearest.find(key);
        if (it == nearest.end()) {
            const int index = NearestPaletteIndex(*palette, *count, c, useAlpha);
            it = nearest.emplace(key, static_cast<std::uint8_t>(index)).first;
        }
        (*indices)[i] = it->second;
    }
}

}  // namespace qfhost
