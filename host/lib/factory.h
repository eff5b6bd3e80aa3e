// The reference host's factory (IQFJSFactory) and the owner of every host
// object.
//
// Ownership: the factory owns every bitmap, picture, layer, frame and
// document that it or any of its objects makes (duplicates, resized and
// clipped bitmaps, filtered pictures, new frames, merged images, mipmaps).
// Nothing is freed one by one; Release() frees them all at once, and so does
// the destructor. The factory object itself belongs to the C++ code that
// made it (a test, a program): the engine's Release() never deletes it, so
// the factory stays usable afterwards (new objects start at id 1 again), and
// destroying it after Release() frees nothing twice.
//
// Handles: the handle of a picture or document is the object's own address
// (the IQFPicture* / IQFDocument* value), written for a request as a decimal
// pointer string (PointerString). GetPicture and GetDocument accept only
// handles of live objects of this factory; anything else gives null.
//
// Objects of another factory are never stored (SetBitmap, AddLayer and the
// like refuse them), since that factory may free them first.
#ifndef QFHOST_FACTORY_H
#define QFHOST_FACTORY_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "host/lib/ani_frame.h"
#include "host/lib/bitmap.h"
#include "host/lib/call_log.h"
#include "host/lib/document.h"
#include "host/lib/layer.h"
#include "host/lib/object_core.h"
#include "host/lib/picture.h"
#include "qfjs/qf_interfaces.h"

namespace qfhost {

// The decimal pointer string of an address, as requests carry handles.
std::string PointerString(const void* pointer);

class Factory final : public IQFJSFactory {
public:
    Factory();
    ~Factory();
    Factory(const Factory&) = delete;
    Factory& operator=(const Factory&) = delete;

    // IQFJSFactory, recorded as "Factory.Operation(args)".
    void Release() override;
    // bitCount 8: index colour whose palette is a grey ramp of `extra`
    // entries (1..256; anything else means 256); 24: RGB24 black; 32: RGBA32
    // transparent black (extra ignored). Other bit counts and sizes outside
    // the limits of pixel.h give null.
    IQFBitmap* CreateBitmap(int width, int height, int bitCount, int extra) override;
    void ReservedFactory0() override;
    // A "BITMAP" layer with an empty name, no bitmap, at (0, 0), opacity 100.
    IQFLayer* CreateLayer() override;
    IQFDocument* GetDocument(const void* documentHandle) override;
    // A "SINGLE" picture holding this bitmap (not a copy); null for a null
    // or foreign bitmap.
    IQFPicture* CreatePicture(IQFBitmap* bitmap) override;
    IQFPicture* GetPicture(const void* pictureHandle) override;
    // A PNG file as a "SINGLE" picture (png_io.h gives the options).
    IQFPicture* LoadPicture(const char* path, const char* options) override;
    // Writes the flattened picture as PNG (png_io.h gives the options).
    bool SavePicture(IQFPicture* picture, const char* path, const char* options) override;

    // --- C++ side: nothing below is recorded in the call log. ---

    CallLog& log() { return log_; }
    const CallLog& log() const { return log_; }

    // Blank objects. Null when the size is refused or memory runs out.
    Bitmap* MakeBitmap(int width, int height, PixelFormat format, int paletteCount = 256);
    Layer* MakeLayer();
    AniFrame* MakeAniFrame();
    // A picture of the type without bitmap, layers, frames or canvas size.
    Picture* MakePicture(PictureType type);

    // Ready-made objects for tests and programs.
    Bitmap* NewBitmapFromRgba(const RgbaImage& image);  // RGBA32 when has_alpha, else RGB24
    Picture* NewSinglePicture(Bitmap* bitmap);
    Picture* NewLayerPicture(int canvasWidth, int canvasHeight);
    Picture* NewAnimationPicture(int canvasWidth, int canvasHeight);
    Layer* NewBitmapLayer(const std::string& name, Bitmap* bitmap, int x = 0, int y = 0);
    Layer* NewFolderLayer(const std::string& name);
    Document* NewDocument(const std::string& filePath);
    // LoadPicture / SavePicture without recording.
    Picture* ReadPicture(const std::string& path, const std::string& options = "");
    bool WritePicture(Picture* picture, const std::string& path, const std::string& options = "");

    // The handle of an object (its interface address) and its request text.
    static const void* HandleOf(const IQFPicture* picture) { return picture; }
    static const void* HandleOf(const IQFDocument* document) { return document; }
    static std::string HandleString(const IQFPicture* picture) { return PointerString(picture); }
    static std::string HandleString(const IQFDocument* document) { return PointerString(document); }

    // How often Release() was called.
    int release_count() const { return release_count_; }
    // When false, Release() keeps the objects (so a test can inspect results
    // after the engine released the factory); the destructor frees them.
    void set_free_on_release(bool free) { free_on_release_ = free; }
    // Objects currently owned.
    std::size_t object_count() const;
    // The factory refuses new bitmaps (null, as for a refused size) once the
    // bitmaps it owns would take more than this many bytes, counting four
    // bytes per pixel. Default 2 GiB; objects are freed only all at once.
    void set_memory_budget(std::uint64_t bytes) { memory_budget_ = bytes; }
    std::uint64_t memory_budget() const { return memory_budget_; }
    std::uint64_t bitmap_bytes() const { return bitmap_bytes_; }
    // Frees every object and starts the ids at 1 again.
    void FreeAll();

private:
    template <class T>
    struct Pool {
        std::vector<std::unique_ptr<T>> objects;
        int next_id = 1;
    };

    CallLog log_;
    ObjectCore core_;  // after log_, which it points to
    int release_count_ = 0;
    bool free_on_release_ = true;
    std::uint64_t memory_budget_ = std::uint64_t{2} << 30;
    std::uint64_t bitmap_bytes_ = 0;
    Pool<Bitmap> bitmaps_;
    Pool<Picture> pictures_;
    Pool<Layer> layers_;
    Pool<AniFrame> frames_;
    Pool<Document> documents_;
};

}  // namespace qfhost

#endif
