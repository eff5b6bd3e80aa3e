// The floors: the same work done on the bare script engine, with the least
// binding code that can do it, in the same process as the library.
#ifndef QFJS_BENCH_BARE_ENGINE_H
#define QFJS_BENCH_BARE_ENGINE_H

#include <memory>
#include <string>

#include "qfjs/qf_interfaces.h"

namespace qfjs_bench {

class BareEngine {
public:
    BareEngine();
    ~BareEngine();
    BareEngine(const BareEngine&) = delete;
    BareEngine& operator=(const BareEngine&) = delete;

    // A new context, compile and run of an empty script.
    void EmptyExecution();
    // Runs `script` in a context whose globals mimic the library's names:
    // SourcePicture.Bitmap over `bitmap` with Width, Height, GetPixelR/G/B,
    // SetPixel and GetPixel (an 8-field colour object with R, G, B
    // accessors), and Image.CreateOutLayer giving a layer whose PixelAt
    // makes a 7-field pixel object with r, g, b accessors on raw bytes.
    // False when the script threw.
    bool Run(const std::string& script, IQFBitmap* bitmap);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace qfjs_bench

#endif
