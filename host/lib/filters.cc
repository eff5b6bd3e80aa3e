#include "host/lib/filters.h"

#include <cmath>
#include <string>

#include <picojson.h>

#include "host/lib/bitmap.h"

namespace qfhost {

namespace {

std::string Lower(const char* text) {
    std::string word = text ? text : "";
    for (char& c : word) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return word;
}

// The settings object; false when the text is not empty and not a JSON
// object.
bool ParseSettings(const char* text, picojson::object* settings) {
    settings->clear();
    if (!text || !*text) return true;
    picojson::value v;
    const std::string error = picojson::parse(v, std::string(text));
    if (!error.empty() || !v.is<picojson::object>()) return false;
    *settings = v.get<picojson::object>();
    return true;
}

bool ReadBool(const picojson::object& settings, const char* key, bool* out) {
    const auto it = settings.find(key);
    if (it == settings.end()) return true;
    if (!it->second.is<bool>()) return false;
    *out = it->second.get<bool>();
    return true;
}

bool ReadNumber(const picojson::object& settings, const char* key, double* out) {
    const auto it = settings.find(key);
    if (it == settings.end()) return true;
    if (!it->second.is<double>()) return false;
    *out = it->second.get<double>();
    return std::isfinite(*out);
}

struct Weights {
    double r = 0.299;
    double g = 0.587;
    double b = 0.114;
};

bool ReadWeights(const picojson::object& settings, Weights* out) {
    const auto it = settings.find("Weights");
    if (it == settings.end()) return true;
    if (!it->second.is<picojson::array>()) return false;
    const picojson::array& a = it->second.get<picojson::array>();
    if (a.size() != 3) return false;
    double w[3];
    for (int i = 0; i < 3; ++i) {
        if (!a[static_cast<std::size_t>(i)].is<double>()) return false;
        w[i] = a[static_cast<std::size_t>(i)].get<double>();
        if (!std::isfinite(w[i])) return false;
    }
    *out = Weights{w[0], w[1], w[2]};
    return true;
}

double Grey(Rgba c, const Weights& w) {
    return c.r * w.r + c.g * w.g + c.b * w.b;
}

}  // namespace

BitmapFilter MakeFilter(const char* name, const char* settingsText) {
    picojson::object settings;
    if (!ParseSettings(settingsText, &settings)) return {};
    const std::string word = Lower(name);

    if (word == "invert") {
        bool alpha = false;
        if (!ReadBool(settings, "Alpha", &alpha)) return {};
        return [alpha](Bitmap& bitmap) {
            bitmap.MapColors([alpha](Rgba c) {
                return Rgba{static_cast<std::uint8_t>(255 - c.r), static_cast<std::uint8_t>(255 - c.g),
                            static_cast<std::uint8_t>(255 - c.b),
                            alpha ? static_cast<std::uint8_t>(255 - c.a) : c.a};
            });
        };
    }
    if (word == "grayscale") {
        Weights w;
        if (!ReadWeights(settings, &w)) return {};
        return [w](Bitmap& bitmap) {
            bitmap.MapColors([w](Rgba c) {
                const std::uint8_t v = ClampChannel(Grey(c, w));
                return Rgba{v, v, v, c.a};
            });
        };
    }
    if (word == "threshold") {
        Weights w;
        double level = 128;
        if (!ReadWeights(settings, &w) || !ReadNumber(settings, "Level", &level)) return {};
        if (level < 0 || level > 256) return {};
        return [w, level](Bitmap& bitmap) {
            bitmap.MapColors([w, level](Rgba c) {
                const std::uint8_t v = Grey(c, w) >= level ? 255 : 0;
                return Rgba{v, v, v, c.a};
            });
        };
    }
    return {};
}

}  // namespace qfhost
