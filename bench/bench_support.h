// Pieces shared by the benchmark cases: requests, contexts, pictures.
#ifndef QFJS_BENCH_BENCH_SUPPORT_H
#define QFJS_BENCH_BENCH_SUPPORT_H

#include <cstddef>
#include <memory>
#include <string>

#include "host/lib/qfhost.h"
#include "qfjs/qfjs.h"

namespace qfjs_bench {

constexpr int kSide = 1000;  // pictures are kSide x kSide pixels
constexpr double kPixels = double(kSide) * kSide;

// A request with every required key; pictures and document by handle.
// showMessage, when given, receives the messages of Print and MessageBox.
std::string MakeRequest(const void* source = nullptr, const void* target = nullptr,
                        const void* showMessage = nullptr);

// A filter context over its own reference-host factory holding a kSide x
// kSide RGB picture (a gradient) as its source picture.
class PictureContext {
public:
    PictureContext();
    ~PictureContext();
    PictureContext(const PictureContext&) = delete;
    PictureContext& operator=(const PictureContext&) = delete;

    // Runs the script; false (with a message on stderr) when the call or the
    // script failed.
    bool Run(const std::string& script);
    qfhost::Bitmap* bitmap() { return bitmap_; }
    QFJS_HANDLE handle() const { return handle_; }

private:
    qfhost::Factory factory_;
    qfhost::Bitmap* bitmap_ = nullptr;
    QFJS_HANDLE handle_ = 0;
    std::string request_;
};

// Runs a script in a context without pictures; false on failure.
bool RunIn(QFJS_HANDLE handle, const std::string& script, const std::string& request);

// Resident set size of the process in bytes.
std::size_t ResidentBytes();

// Scripts shared by our cases and the floors (the floors publish the same
// names as the library does).
extern const char* const kV8InvertScript;
extern const char* const kColorObjectInvertScript;
extern const char* const kV7InvertScript;
extern const char* const kTypedArrayInvertScript;
// The same inverts through GetImageData / PutImageData (the library only).
extern const char* const kV8BulkInvertScript;
extern const char* const kV7BulkInvertScript;

}  // namespace qfjs_bench

#endif
