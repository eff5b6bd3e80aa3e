// Palettes for index-colour bitmaps: the nearest entry to a colour, and a
// palette of at most 256 colours for a direct-colour image.
#ifndef QFHOST_QUANTIZE_H
#define QFHOST_QUANTIZE_H

#include <array>
#include <cstdint>
#include <vector>

#include "host/lib/pixel.h"
#include "host/lib/rgba_image.h"

namespace qfhost {

// RGBA per entry, 256 entries.
using PaletteTable = std::array<std::uint8_t, 1024>;

// The entry of palette[0..count) with the smallest squared distance to
// `color` over R, G, B (and A when `useAlpha`); the lowest index on ties.
int NearestPaletteIndex(const PaletteTable& palette, int count, Rgba color, bool useAlpha);

// Turns `image` into palette indices. When it has at most 256 distinct
// colours, the palette holds exactly those, in the order they first appear
// (rows top to bottom); otherwise a median cut over the colour histogram
// picks 256 colours and every pixel takes its nearest one. Alpha takes part
// only when `useAlpha`; without it every entry is opaque.
void QuantizeImage(const RgbaImage& image, bool useAlpha, PaletteTable* palette, int* count,
                   std::vector<std::uint8_t>* indices);

}  // namespace qfhost

#endif
