// The record behind a version 7 layer object.
#ifndef QFJS_MODEL_V7_LAYER_DATA_H
#define QFJS_MODEL_V7_LAYER_DATA_H

#include <cstdint>
#include <optional>
#include <string>

#include "qfjs/dib.h"

namespace qfjsbinding {

// A rectangle; right and bottom are exclusive where points are tested.
struct RECT {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
};

struct TJSFilterContext;

// One layer a version 7 script obtained: an input layer fetched from the host
// or a result layer. Unset optional fields are left out of the result and read
// back as defaults.
struct TV7LayerData {
    TJSFilterContext* context = nullptr;
    std::optional<std::string> name;
    std::optional<std::int32_t> posX;
    std::optional<std::int32_t> posY;
    std::optional<bool> hidden;
    std::optional<std::uint32_t> opacity;
    BITMAPINFO* image = nullptr;
    BITMAPINFO* alpha = nullptr;

    // The selection of the context that made the record.
    const std::optional<RECT>& selection() const;
};

}  // namespace qfjsbinding

#endif
