#include "host/lib/pixel.h"

namespace qfhost {

const char* PixelTypeName(PixelFormat format) {
    switch (format) {
        case PixelFormat::kIndex8:
            return "INDEX8";
        case PixelFormat::kRgb24:
            return "RGB24";
        case PixelFormat::kRgba32:
            return "RGBA32";
    }
    return "";
}

}  // namespace qfhost
