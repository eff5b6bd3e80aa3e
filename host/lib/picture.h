// One picture (IQFPicture) of type "SINGLE" (one bitmap), "LAYER" (a layer
// tree on a canvas) or "ANIMATION" (frames on a canvas), with mipmaps and
// filters. docs/reference-host.md describes every operation; in short:
// - GetBitmap: SINGLE its bitmap; LAYER the merged image of the visible
//   layers (a bitmap owned by the picture, drawn again at every call, so
//   writes to it do not reach the layers); ANIMATION the current frame's
//   bitmap.
// - Adding or inserting a layer or a frame makes it the current one.
// - Mipmap level 0 is GetBitmap; level k is that image averaged down to
//   max(1, w >> k) x max(1, h >> k); GetMipmapLevel is the last level.
#ifndef QFHOST_PICTURE_H
#define QFHOST_PICTURE_H

#include <string>
#include <vector>

#include <picojson.h>

#include "host/lib/object_core.h"
#include "qfjs/qf_interfaces.h"

namespace qfhost {

class AniFrame;
class Bitmap;
class Layer;

enum class PictureType { kSingle, kLayer, kAnimation };

// "SINGLE", "LAYER", "ANIMATION".
const char* PictureTypeName(PictureType type);
// Exact (upper-case) words only.
bool ParsePictureType(const std::string& word, PictureType* type);

class Picture final : public IQFPicture {
public:
    Picture(ObjectKey, Factory& factory, int id, PictureType type);
    ~Picture() = default;
    Picture(const Picture&) = delete;
    Picture& operator=(const Picture&) = delete;

    // IQFObject
    void ReservedObject0() override;
    bool Equals(IQFObject* other) override;
    std::string Jsonize() override;

    // IQFPicture
    std::string GetType() override;
    void SetType(const std::string& type) override;
    IQFBitmap* GetBitmap() override;
    void SetBitmap(IQFBitmap* bitmap) override;
    int GetCanvasWidth() override;
    void SetCanvasWidth(int width) override;
    int GetCanvasHeight() override;
    void SetCanvasHeight(int height) override;
    int GetLayerCount() override;
    int GetAniFrameCount() override;
    IQFLayer* GetCurrentLayer() override;
    IQFAniFrame* GetCurrentAniFrame() override;
    int GetMipmapLevel() override;
    std::string GetPixelType() override;
    IQFPicture* Duplicate() override;
    IQFLayer* GetLayer(int index) override;
    IQFAniFrame* GetAniFrame(int index) override;
    bool RemoveLayer(int index) override;
    bool InsertLayer(int index, IQFLayer* layer) override;
    bool AddLayer(IQFLayer* layer) override;
    IQFLayer* GetParentLayer(IQFLayer* layer) override;
    IQFPicture* ApplyFilter(const char* name, const char* settings) override;
    IQFBitmap* GetMipmap(int level) override;
    bool RemoveAniFrame(int index) override;
    IQFAniFrame* InsertAniFrame(int index) override;
    IQFAniFrame* AddAniFrame() override;

    // C++ side, never recorded in the call log.
    const ObjectCore& core() const { return core_; }
    Factory& factory() const { return core_.factory(); }
    int id() const { return core_.id(); }

    PictureType type() const { return type_; }
    // Changes the type keeping the pixels (see docs/reference-host.md).
    void ConvertTo(PictureType type);

    // The bitmap of a SINGLE picture (null for the other types).
    Bitmap* bitmap() const { return bitmap_; }
    // SINGLE: becomes the picture's bitmap and sets the canvas size;
    // ANIMATION: becomes the current frame's bitmap; LAYER: refused.
    // A bitmap of another factory is refused (false).
    bool AssignBitmap(Bitmap* bitmap);
    // What GetBitmap returns (see above).
    Bitmap* DisplayBitmap();

    int canvas_width() const;
    int canvas_height() const;
    // LAYER and ANIMATION only; sizes the host would not allocate are refused.
    bool SetCanvasSize(int width, int height);

    const std::vector<Layer*>& layers() const { return layers_; }
    bool InsertLayerAt(int index, Layer* layer);
    bool AppendLayer(Layer* layer);
    bool RemoveLayerAt(int index);
    // The folder holding `layer` when it is in this picture's tree.
    Layer* ParentOf(const Layer* layer) const;
    // The current layer; when it has left the picture, the top-most
    // top-level layer (null without layers).
    Layer* CurrentLayer() const;
    bool SetCurrentLayer(Layer* layer);

    const std::vector<AniFrame*>& frames() const { return frames_; }
    // A new frame of canvas size (transparent RGBA32; without a bitmap when
    // the canvas has no size) at `index` (0..count); ANIMATION only.
    AniFrame* InsertFrameAt(int index);
    // Appends a frame showing `bitmap` (null allowed) and makes it current.
    AniFrame* AppendFrame(Bitmap* bitmap);
    bool RemoveFrameAt(int index);
    AniFrame* CurrentFrame() const;
    int current_frame_index() const { return current_frame_; }
    bool SetCurrentFrame(int index);

    std::string PixelType() const;
    // The last mipmap level (0 when the picture shows no bitmap).
    int MipmapLevels() const;
    Bitmap* Mipmap(int level);

    // A deep copy: bitmaps, layers and frames are copied.
    Picture* Copy() const;
    // A copy with the named filter applied to every bitmap it holds, or
    // null for an unknown filter or unusable settings.
    Picture* Filtered(const char* name, const char* settings) const;
    // Same type, canvas, bitmap content, layer trees and frames.
    bool SameContent(const Picture& other) const;
    picojson::value ToJson() const;

private:
    friend class Layer;
    // Called by Layer::Detach for a top-level layer.
    void ForgetLayer(Layer* layer);
    // Inserts a frame showing `bitmap`, or a blank canvas-size one.
    AniFrame* AddFrame(int index, Bitmap* bitmap, bool blankCanvas);
    void BaseSize(int* width, int* height) const;
    // The flattened layers in a new bitmap (RGBA32 when anything is not
    // opaque, else RGB24); null when the canvas has no size.
    Bitmap* FlattenedBitmap() const;
    void DropLayers();

    ObjectCore core_;
    PictureType type_;
    Bitmap* bitmap_ = nullptr;
    int canvas_width_ = 0;
    int canvas_height_ = 0;
    std::vector<Layer*> layers_;
    Layer* current_layer_ = nullptr;
    std::vector<AniFrame*> frames_;
    int current_frame_ = 0;
    // Derived images owned by the picture, redrawn on every request.
    Bitmap* merged_ = nullptr;
    std::vector<Bitmap*> mipmaps_;
};

// Our own picture behind an interface pointer, or null.
Picture* AsPicture(IQFPicture* picture);

}  // namespace qfhost

#endif
