// The host's picture filters, looked up by name for IQFPicture::ApplyFilter.
//
// Names are matched without regard to ASCII case. The settings are a JSON
// object (or the empty text for the defaults); unknown keys are ignored, a
// known key of the wrong type or out of range makes the settings unusable.
//   "Invert"     {"Alpha": false}  R, G, B -> 255 - value; alpha too when true
//   "Grayscale"  {"Weights": [0.299, 0.587, 0.114]}  R = G = B = weighted sum
//                of R, G, B (three finite numbers; the sum is not normalised)
//   "Threshold"  {"Level": 128, "Weights": [...]}  grey >= Level -> white,
//                else black (Level a number 0..256)
// Alpha is kept except by Invert with "Alpha": true. Index-colour bitmaps
// are filtered through their palette.
#ifndef QFHOST_FILTERS_H
#define QFHOST_FILTERS_H

#include <functional>

namespace qfhost {

class Bitmap;

using BitmapFilter = std::function<void(Bitmap&)>;

// The filter, or an empty function for an unknown name or unusable settings.
// `settings` may be null (same as "").
BitmapFilter MakeFilter(const char* name, const char* settings);

}  // namespace qfhost

#endif
