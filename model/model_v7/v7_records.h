// The small records behind version 7 PaletteEntry and Color objects. They are
// allocated as zero-filled engine blocks and released with the context, so
// they must stay trivially destructible.
#ifndef QFJS_MODEL_V7_RECORDS_H
#define QFJS_MODEL_V7_RECORDS_H

#include <cstdint>
#include <type_traits>

namespace qfjsbinding {

struct TV7LayerData;

// One colour-table entry of a layer. The entry is looked up in the layer's
// current bitmaps at every access, so it follows a colour-table resize.
struct TV7PaletteEntryData {
    TV7LayerData* layer;
    std::int32_t index;  // clamped into the table when the object was made
};

// The request's selection colour seen through one layer.
struct TV7ColorData {
    TV7LayerData* layer;
    double r;
    double g;
    double b;
    double a;
    std::int32_t index;  // "SelColor"."I" as given; may lie outside the table
};

static_assert(std::is_trivially_destructible_v<TV7PaletteEntryData>, "released with zkifree only");
static_assert(std::is_trivially_destructible_v<TV7ColorData>, "released with zkifree only");

}  // namespace qfjsbinding

#endif
