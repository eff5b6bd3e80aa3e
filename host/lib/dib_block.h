// A device-independent bitmap block that the host owns (qfjs/dib.h gives
// the layout): zero-filled C heap memory, freed when the DibBlock goes.
//
// The engine never frees host bitmaps. To catch it if it ever did, each
// block sits behind a 16-byte guard inside its allocation: the pointer the
// engine sees is not the start of a heap block, so freeing it makes the C
// library (or a sanitizer) stop the process at once instead of corrupting
// memory later, and GuardIntact() tells whether anything wrote over the
// guard.
#ifndef QFHOST_DIB_BLOCK_H
#define QFHOST_DIB_BLOCK_H

#include <cstddef>
#include <cstdlib>
#include <memory>

#include "qfjs/dib.h"

namespace qfhost {

class DibBlock {
public:
    DibBlock() = default;
    // `bytes` zero-filled bytes (at least 1); an empty block when memory runs out.
    static DibBlock Allocate(std::size_t bytes);

    explicit operator bool() const { return static_cast<bool>(base_); }
    void* get() const { return base_ ? base_.get() + kGuardBytes : nullptr; }
    BITMAPINFO* info() const { return static_cast<BITMAPINFO*>(get()); }
    BITMAPINFOHEADER* header() const { return base_ ? &info()->bmiHeader : nullptr; }
    std::size_t size() const { return size_; }
    bool GuardIntact() const;

    // Blocks allocated and not yet freed, over the whole process.
    static long LiveCount();

private:
    static constexpr std::size_t kGuardBytes = 16;
    struct Free {
        void operator()(unsigned char* p) const;
    };
    std::unique_ptr<unsigned char, Free> base_;
    std::size_t size_ = 0;
};

}  // namespace qfhost

#endif
