// Version 7 result layers: reading "V7ResultLayers" of a result JSON and
// drawing the layers onto one canvas.
#ifndef QFHOST_V7_COMPOSITING_H
#define QFHOST_V7_COMPOSITING_H

#include <optional>
#include <string>
#include <vector>

#include <picojson.h>

#include "host/lib/rgba_image.h"
#include "qfjs/dib.h"

namespace qfhost {

// One flat layer made of DIBs (dib_convert.h). The bitmaps are not owned.
struct V7LayerView {
    int index = 0;
    std::optional<std::string> name;
    int x = 0;
    int y = 0;
    bool hidden = false;
    unsigned opacity = 100;  // percent; above 100 counts as 100
    const BITMAPINFO* image = nullptr;
    const BITMAPINFO* alpha = nullptr;
};

// The elements of "V7ResultLayers" in `result` (a parsed result JSON), in
// their order. Keys that are absent keep the defaults above ("Name" stays
// unset). False when the key is missing or an element is malformed (no
// "Index" number or no "Image" pointer string).
bool ParseV7ResultLayers(const picojson::value& result, std::vector<V7LayerView>* layers);

// The layers drawn in order (first at the bottom) over a transparent canvas:
// each visible layer's image at its position with its alpha and opacity.
// Layers without an image, or whose DIBs cannot be read, are skipped.
// has_alpha is true when any pixel of the result is not fully opaque.
RgbaImage CompositeV7Layers(const std::vector<V7LayerView>& layers, int width, int height);

// The decimal pointer string parsing of requests: digits after optional
// white space, the rest ignored; false for text without digits.
bool ParsePointerString(const std::string& text, const void** pointer);

}  // namespace qfhost

#endif
