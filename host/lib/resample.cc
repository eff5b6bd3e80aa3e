#include "host/lib/resample.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

namespace qfhost {

namespace {

// The source pixels that make one target pixel, with their weights (summing
// to 1).
struct Taps {
    std::vector<int> index;
    std::vector<float> weight;
};

std::vector<Taps> BuildTaps(int srcLength, int dstLength, ResampleMethod method) {
    std::vector<Taps> taps(static_cast<std::size_t>(dstLength));
    const double scale = static_cast<double>(srcLength) / dstLength;
    for (int d = 0; d < dstLength; ++d) {
        Taps& t = taps[static_cast<std::size_t>(d)];
        switch (method) {
            case ResampleMethod::kNearest:
                t.index.push_back(NearestSourceIndex(d, srcLength, dstLength));
                t.weight.push_back(1.0f);
                break;
            case ResampleMethod::kBilinear: {
                const double s = (d + 0.5) * scale - 0.5;
                const double base = std::floor(s);
                const double frac = s - base;
                const int i0 = std::clamp(static_cast<int>(base), 0, srcLength - 1);
                const int i1 = std::clamp(static_cast<int>(base) + 1, 0, srcLength - 1);
                t.index = {i0, i1};
                t.weight = {static_cast<float>(1.0 - frac), static_cast<float>(frac)};
                break;
            }
            case ResampleMethod::kBox: {
                const double from = d * scale;
                const double to = (d + 1) * scale;
                const int first = static_cast<int>(std::floor(from));
                const int last = std::min(srcLength - 1, static_cast<int>(std::ceil(to)) - 1);
                for (int i = first; i <= last; ++i) {
                    const double overlap = std::min<double>(to, i + 1) - std::max<double>(from, i);
                    if (overlap <= 0) continue;
                    t.index.push_back(i);
                    t.weight.push_back(static_cast<float>(overlap / (to - from)));
                }
                if (t.index.empty()) {
                    t.index.push_back(std::clamp(first, 0, srcLength - 1));
                    t.weight.push_back(1.0f);
                }
                break;
            }
        }
    }
    return taps;
}

}  // namespace

bool ParseResampleMethod(const char* name, ResampleMethod* method) {
    std::string word = name ? name : "";
    for (char& c : word) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    if (word.empty() || word == "bilinear") {
        *method = ResampleMethod::kBilinear;
    } else if (word == "nearest") {
        *method = ResampleMethod::kNearest;
    } else if (word == "box") {
        *method = ResampleMethod::kBox;
    } else {
        return false;
    }
    return true;
}

int NearestSourceIndex(int d, int srcLength, int dstLength) {
    const long long s = (2LL * d + 1) * srcLength / (2LL * dstLength);
    return static_cast<int>(std::clamp<long long>(s, 0, srcLength - 1));
}

RgbaImage Resample(const RgbaImage& source, int width, int height, ResampleMethod method) {
    RgbaImage out(width, height, source.has_alpha);
    if (source.empty() || out.empty()) return out;

    if (method == ResampleMethod::kNearest) {
        std::vector<int> columns(static_cast<std::size_t>(width));
        for (int x = 0; x < width; ++x) columns[x] = NearestSourceIndex(x, source.width, width);
        for (int y = 0; y < height; ++y) {
            const std::uint8_t* src = source.Row(NearestSourceIndex(y, source.height, height));
            std::uint8_t* dst = out.Row(y);
            for (int x = 0; x < width; ++x) std::memcpy(dst + x * 4, src + columns[x] * 4, 4);
        }
        return out;
    }

    // Premultiplied float RGBA, filtered horizontally then vertically.
    const std::vector<Taps> xTaps = BuildTaps(source.width, width, method);
    const std::vector<Taps> yTaps = BuildTaps(source.height, height, method);
    std::vector<float> rows(static_cast<std::size_t>(width) * source.height * 4, 0.0f);
    for (int y = 0; y < source.height; ++y) {
        const std::uint8_t* src = source.Row(y);
        float* dst = rows.data() + static_cast<std::size_t>(y) * width * 4;
        for (int x = 0; x < width; ++x) {
            const Taps& t = xTaps[static_cast<std::size_t>(x)];
            float acc[4] = {0, 0, 0, 0};
            for (std::size_t k = 0; k < t.index.size(); ++k) {
                const std::uint8_t* p = src + t.index[k] * 4;
                const float a = p[3] * t.weight[k];
                acc[0] += p[0] * a;
                acc[1] += p[1] * a;
                acc[2] += p[2] * a;
                acc[3] += a;
            }
            std::memcpy(dst + x * 4, acc, sizeof acc);
        }
    }
    for (int y = 0; y < height; ++y) {
        const Taps& t = yTaps[static_cast<std::size_t>(y)];
        std::uint8_t* dst = out.Row(y);
        for (int x = 0; x < width; ++x) {
            float acc[4] = {0, 0, 0, 0};
            for (std::size_t k = 0; k < t.index.size(); ++k) {
                const float* p = rows.data() + (static_cast<std::size_t>(t.index[k]) * width + x) * 4;
                for (int c = 0; c < 4; ++c) acc[c] += p[c] * t.weight[k];
            }
            std::uint8_t* o = dst + x * 4;
            if (acc[3] <= 0.0f) {
                o[0] = o[1] = o[2] = o[3] = 0;
                continue;
            }
            for (int c = 0; c < 3; ++c) o[c] = ClampChannel(static_cast<double>(acc[c] / acc[3]));
            o[3] = ClampChannel(static_cast<double>(acc[3]));
        }
    }
    return out;
}

}  // namespace qfhost
