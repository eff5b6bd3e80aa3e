// The source picture as version 7 scripts see it: one flat picture (a
// "SINGLE" source whose bitmap "GetV7Bitmap" hands out) or one layer per
// input file (a "LAYER" source with one "V7Layers" handle per file, handed
// out by "GetV7LayerData").
//
// The device-independent bitmaps are made from the input bitmaps only when
// the script first asks for them, so version 8 scripts never pay for them.
// They are owned here (through a qfhost::V7Host) and live as long as this
// object: result layers of CreateCopyLayer point into them, so it must
// outlive the reading of the result. Not copyable or movable, because the
// request carries the addresses of its records as handles.
#ifndef QFJS_HOST_RUNNER_V7_SOURCE_H
#define QFJS_HOST_RUNNER_V7_SOURCE_H

#include <memory>
#include <string>
#include <vector>

#include <picojson.h>

#include "host/lib/qfhost.h"

namespace qfjs_runner {

class V7Source {
public:
    V7Source() = default;
    V7Source(const V7Source&) = delete;
    V7Source& operator=(const V7Source&) = delete;

    // The flat source picture.
    void SetSingle(const qfhost::Bitmap* bitmap) { single_ = bitmap; }
    // One more layer of a layered source, at (0, 0), visible, opacity 100.
    void AddLayer(std::string name, const qfhost::Bitmap* bitmap);

    // Sets "SourcePicture", "V7Layers" (for a layered source) and
    // "V7ActiveLayerIndex" (0: the first input).
    void AddToRequest(picojson::object* request) const;

    // The two callbacks' work; false for a handle that is not one of ours or
    // a bitmap that cannot be converted (the engine's presets stay).
    bool FetchBitmap(const void* handle, void** image, void** alpha);
    bool FetchLayer(const void* handle, const char** name, int* x, int* y, bool* hidden, unsigned* opacity,
                    void** image, void** alpha);

private:
    struct LayerEntry {
        std::string name;
        const qfhost::Bitmap* bitmap = nullptr;
        int dibIndex = -1;  // its index in dibs_ once converted
    };

    const qfhost::Bitmap* single_ = nullptr;
    bool singleConverted_ = false;
    // Each entry's address is its handle in "V7Layers".
    std::vector<std::unique_ptr<LayerEntry>> layers_;
    qfhost::V7Host dibs_;
};

}  // namespace qfjs_runner

#endif
