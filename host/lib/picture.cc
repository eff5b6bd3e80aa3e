#include "host/lib/picture.h"

#include <algorithm>
#include <new>

#include "host/lib/ani_frame.h"
#include "host/lib/bitmap.h"
#include "host/lib/compositing.h"
#include "host/lib/factory.h"
#include "host/lib/filters.h"
#include "host/lib/layer.h"
#include "host/lib/resample.h"

namespace qfhost {

namespace {

// The child indices that lead from a top-level list to `target`.
bool PathTo(const std::vector<Layer*>& list, const Layer* target, std::vector<int>* path) {
    for (std::size_t i = 0; i < list.size(); ++i) {
        path->push_back(static_cast<int>(i));
        if (list[i] == target || PathTo(list[i]->children(), target, path)) return true;
        path->pop_back();
    }
    return false;
}

Layer* Follow(const std::vector<Layer*>& list, const std::vector<int>& path) {
    const std::vector<Layer*>* level = &list;
    Layer* found = nullptr;
    for (int i : path) {
        if (i < 0 || i >= static_cast<int>(level->size())) return nullptr;
        found = (*level)[static_cast<std::size_t>(i)];
        level = &found->children();
    }
    return found;
}

void ForEachLayerBitmap(const std::vector<Layer*>& list, const BitmapFilter& filter) {
    for (Layer* layer : list) {
        if (layer->bitmap()) filter(*layer->bitmap());
        ForEachLayerBitmap(layer->children(), filter);
    }
}

}  // namespace

const char* PictureTypeName(PictureType type) {
    switch (type) {
        case PictureType::kSingle:
            return "SINGLE";
        case PictureType::kLayer:
            return "LAYER";
        case PictureType::kAnimation:
            return "ANIMATION";
    }
    return "";
}

bool ParsePictureType(const std::string& word, PictureType* type) {
    if (word == "SINGLE") {
        *type = PictureType::kSingle;
    } else if (word == "LAYER") {
        *type = PictureType::kLayer;
    } else if (word == "ANIMATION") {
        *type = PictureType::kAnimation;
    } else {
        return false;
    }
    return true;
}

Picture* AsPicture(IQFPicture* picture) {
    return dynamic_cast<Picture*>(picture);
}

Picture::Picture(ObjectKey, Factory& factory, int id, PictureType type)
    : core_(factory, "Picture", id), type_(type) {}

// ---------------------------------------------------------------------------
// Interface operations.

void Picture::ReservedObject0() {
    core_.Log("ReservedObject0");
}

bool Picture::Equals(IQFObject* other) {
    core_.Log("Equals", static_cast<const IQFObject*>(other));
    if (!other) return false;
    const Picture* o = dynamic_cast<const Picture*>(other);
    return o && (o == this || SameContent(*o));
}

std::string Picture::Jsonize() {
    core_.Log("Jsonize");
    return ToJson().serialize();
}

std::string Picture::GetType() {
    core_.Log("GetType");
    return PictureTypeName(type_);
}

void Picture::SetType(const std::string& type) {
    core_.Log("SetType", type);
    PictureType t;
    if (ParsePictureType(type, &t)) ConvertTo(t);
}

IQFBitmap* Picture::GetBitmap() {
    core_.Log("GetBitmap");
    return DisplayBitmap();
}

void Picture::SetBitmap(IQFBitmap* bitmap) {
    core_.Log("SetBitmap", static_cast<const IQFObject*>(bitmap));
    if (bitmap && !AsBitmap(bitmap)) return;
    AssignBitmap(AsBitmap(bitmap));
}

int Picture::GetCanvasWidth() {
    core_.Log("GetCanvasWidth");
    return canvas_width();
}

void Picture::SetCanvasWidth(int width) {
    core_.Log("SetCanvasWidth", width);
    SetCanvasSize(width, canvas_height_);
}

int Picture::GetCanvasHeight() {
    core_.Log("GetCanvasHeight");
    return canvas_height();
}

void Picture::SetCanvasHeight(int height) {
    core_.Log("SetCanvasHeight", height);
    SetCanvasSize(canvas_width_, height);
}

int Picture::GetLayerCount() {
    core_.Log("GetLayerCount");
    return static_cast<int>(layers_.size());
}

int Picture::GetAniFrameCount() {
    core_.Log("GetAniFrameCount");
    return static_cast<int>(frames_.size());
}

IQFLayer* Picture::GetCurrentLayer() {
    core_.Log("GetCurrentLayer");
    return CurrentLayer();
}

IQFAniFrame* Picture::GetCurrentAniFrame() {
    core_.Log("GetCurrentAniFrame");
    return CurrentFrame();
}

int Picture::GetMipmapLevel() {
    core_.Log("GetMipmapLevel");
    return MipmapLevels();
}

std::string Picture::GetPixelType() {
    core_.Log("GetPixelType");
    return PixelType();
}

IQFPicture* Picture::Duplicate() {
    core_.Log("Duplicate");
    return Copy();
}

IQFLayer* Picture::GetLayer(int index) {
    core_.Log("GetLayer", index);
    if (index < 0 || index >= static_cast<int>(layers_.size())) return nullptr;
    return layers_[static_cast<std::size_t>(index)];
}

IQFAniFrame* Picture::GetAniFrame(int index) {
    core_.Log("GetAniFrame", index);
    if (index < 0 || index >= static_cast<int>(frames_.size())) return nullptr;
    return frames_[static_cast<std::size_t>(index)];
}

bool Picture::RemoveLayer(int index) {
    core_.Log("RemoveLayer", index);
    return RemoveLayerAt(index);
}

bool Picture::InsertLayer(int index, IQFLayer* layer) {
    core_.Log("InsertLayer", index, static_cast<const IQFObject*>(layer));
    return InsertLayerAt(index, AsLayer(layer));
}

bool Picture::AddLayer(IQFLayer* layer) {
    core_.Log("AddLayer", static_cast<const IQFObject*>(layer));
    return AppendLayer(AsLayer(layer));
}

IQFLayer* Picture::GetParentLayer(IQFLayer* layer) {
    core_.Log("GetParentLayer", static_cast<const IQFObject*>(layer));
    return ParentOf(AsLayer(layer));
}

IQFPicture* Picture::ApplyFilter(const char* name, const char* settings) {
    core_.Log("ApplyFilter", name, settings);
    return Filtered(name, settings);
}

IQFBitmap* Picture::GetMipmap(int level) {
    core_.Log("GetMipmap", level);
    return Mipmap(level);
}

bool Picture::RemoveAniFrame(int index) {
    core_.Log("RemoveAniFrame", index);
    return RemoveFrameAt(index);
}

IQFAniFrame* Picture::InsertAniFrame(int index) {
    core_.Log("InsertAniFrame", index);
    return InsertFrameAt(index);
}

IQFAniFrame* Picture::AddAniFrame() {
    core_.Log("AddAniFrame");
    return InsertFrameAt(static_cast<int>(frames_.size()));
}

// ---------------------------------------------------------------------------
// Type, bitmap and canvas.

void Picture::ConvertTo(PictureType type) {
    if (type == type_) return;
    try {
        switch (type_) {
            case PictureType::kSingle: {
                Bitmap* image = bitmap_;
                if (type == PictureType::kLayer && image) {
                    Layer* background = factory().MakeLayer();
                    if (!background) return;
                    background->set_name("Background");
                    background->AssignBitmap(image);
                    layers_.push_back(background);
                    background->picture_ = this;
                    current_layer_ = background;
                } else if (type == PictureType::kAnimation && image) {
                    AniFrame* frame = factory().MakeAniFrame();
                    if (!frame) return;
                    frame->AssignBitmap(image);
                    frames_.push_back(frame);
                    current_frame_ = 0;
                }
                if (image) {
                    canvas_width_ = image->width();
                    canvas_height_ = image->height();
                }
                bitmap_ = nullptr;
                break;
            }
            case PictureType::kLayer: {
                Bitmap* flat = FlattenedBitmap();
                if (type == PictureType::kAnimation && flat) {
                    AniFrame* frame = factory().MakeAniFrame();
                    if (!frame) return;
                    frame->AssignBitmap(flat);
                    frames_.push_back(frame);
                    current_frame_ = 0;
                } else if (type == PictureType::kSingle) {
                    bitmap_ = flat;
                }
                DropLayers();
                break;
            }
            case PictureType::kAnimation: {
                if (type == PictureType::kSingle) {
                    AniFrame* current = CurrentFrame();
                    bitmap_ = current ? current->bitmap() : nullptr;
                    if (bitmap_) {
                        canvas_width_ = bitmap_->width();
                        canvas_height_ = bitmap_->height();
                    }
                } else {
                    // Every frame becomes a layer; only the current frame's
                    // layer stays visible, so the picture looks the same.
                    std::vector<Layer*> made;
                    for (std::size_t i = 0; i < frames_.size(); ++i) {
                        Layer* layer = factory().MakeLayer();
                        if (!layer) return;
                        layer->set_name("Frame " + std::to_string(i + 1));
                        layer->AssignBitmap(frames_[i]->bitmap());
                        layer->set_hidden(static_cast<int>(i) != current_frame_);
                        made.push_back(layer);
                    }
                    layers_ = made;
                    for (Layer* layer : layers_) layer->picture_ = this;
                    current_layer_ = layers_.empty() ? nullptr
                                                   : layers_[static_cast<std::size_t>(std::clamp(
                                                         current_frame_, 0, static_cast<int>(layers_.size()) - 1))];
                }
                frames_.clear();
                current_frame_ = 0;
                break;
            }
        }
    } catch (const std::bad_alloc&) {
        return;
    }
    type_ = type;
}

bool Picture::AssignBitmap(Bitmap* bitmap) {
    if (bitmap && &bitmap->factory() != &factory()) return false;
    switch (type_) {
        case PictureType::kSingle:
            bitmap_ = bitmap;
            if (bitmap) {
                canvas_width_ = bitmap->width();
                canvas_height_ = bitmap->height();
            }
            return true;
        case PictureType::kAnimation: {
            AniFrame* frame = CurrentFrame();
            return frame && frame->AssignBitmap(bitmap);
        }
        case PictureType::kLayer:
            return false;
    }
    return false;
}

Bitmap* Picture::DisplayBitmap() {
    switch (type_) {
        case PictureType::kSingle:
            return bitmap_;
        case PictureType::kAnimation: {
            AniFrame* frame = CurrentFrame();
            return frame ? frame->bitmap() : nullptr;
        }
        case PictureType::kLayer:
            break;
    }
    if (!ValidSize(canvas_width_, canvas_height_)) return nullptr;
    try {
        const RgbaImage image = FlattenLayers(layers_, canvas_width_, canvas_height_);
        if (!merged_) merged_ = factory().MakeBitmap(canvas_width_, canvas_height_, PixelFormat::kRgba32, 1);
        if (!merged_) return nullptr;
        merged_->AssignRgba(image, true);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    return merged_;
}

int Picture::canvas_width() const {
    return type_ == PictureType::kSingle && bitmap_ ? bitmap_->width() : canvas_width_;
}

int Picture::canvas_height() const {
    return type_ == PictureType::kSingle && bitmap_ ? bitmap_->height() : canvas_height_;
}

bool Picture::SetCanvasSize(int width, int height) {
    if (type_ == PictureType::kSingle) return false;
    // A side that is not changed may still be 0 (a canvas that never had a
    // size); a side that is set must be one the host would allocate.
    const auto sideOk = [](int value, int old) { return value == old || (value >= 1 && value <= kMaxSide); };
    if (!sideOk(width, canvas_width_) || !sideOk(height, canvas_height_)) return false;
    if (static_cast<std::int64_t>(width) * height > kMaxArea) return false;
    canvas_width_ = width;
    canvas_height_ = height;
    return true;
}

// ---------------------------------------------------------------------------
// Layers.

bool Picture::InsertLayerAt(int index, Layer* layer) {
    if (type_ != PictureType::kLayer || !layer || &layer->factory() != &factory()) return false;
    try {
        if (!InsertIntoLayerList(layers_, index, layer)) return false;
    } catch (const std::bad_alloc&) {
        return false;
    }
    layer->picture_ = this;
    layer->parent_ = nullptr;
    current_layer_ = layer;
    return true;
}

bool Picture::AppendLayer(Layer* layer) {
    if (!layer) return false;
    const bool alreadyHere = layer->picture_ == this;
    return InsertLayerAt(static_cast<int>(layers_.size()) - (alreadyHere ? 1 : 0), layer);
}

bool Picture::RemoveLayerAt(int index) {
    if (index < 0 || index >= static_cast<int>(layers_.size())) return false;
    layers_[static_cast<std::size_t>(index)]->Detach();
    return true;
}

void Picture::ForgetLayer(Layer* layer) {
    layers_.erase(std::remove(layers_.begin(), layers_.end(), layer), layers_.end());
}

void Picture::DropLayers() {
    for (Layer* layer : layers_) layer->picture_ = nullptr;
    layers_.clear();
    current_layer_ = nullptr;
}

Layer* Picture::ParentOf(const Layer* layer) const {
    if (!layer || layer->OwningPicture() != this) return nullptr;
    return layer->parent();
}

Layer* Picture::CurrentLayer() const {
    if (current_layer_ && current_layer_->OwningPicture() == this) return current_layer_;
    return layers_.empty() ? nullptr : layers_.back();
}

bool Picture::SetCurrentLayer(Layer* layer) {
    if (!layer || layer->OwningPicture() != this) return false;
    current_layer_ = layer;
    return true;
}

// ---------------------------------------------------------------------------
// Frames.

AniFrame* Picture::InsertFrameAt(int index) {
    return AddFrame(index, nullptr, true);
}

AniFrame* Picture::AddFrame(int index, Bitmap* bitmap, bool blankCanvas) {
    if (type_ != PictureType::kAnimation || index < 0 || index > static_cast<int>(frames_.size())) {
        return nullptr;
    }
    try {
        AniFrame* frame = factory().MakeAniFrame();
        if (!frame) return nullptr;
        frame->AssignBitmap(bitmap);
        if (blankCanvas && ValidSize(canvas_width_, canvas_height_)) {
            Bitmap* bitmap = factory().MakeBitmap(canvas_width_, canvas_height_, PixelFormat::kRgba32, 1);
            if (!bitmap) return nullptr;
            frame->AssignBitmap(bitmap);
        }
        frames_.insert(frames_.begin() + index, frame);
        current_frame_ = index;
        return frame;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

AniFrame* Picture::AppendFrame(Bitmap* bitmap) {
    if (bitmap && &bitmap->factory() != &factory()) return nullptr;
    return AddFrame(static_cast<int>(frames_.size()), bitmap, false);
}

bool Picture::RemoveFrameAt(int index) {
    if (index < 0 || index >= static_cast<int>(frames_.size())) return false;
    frames_.erase(frames_.begin() + index);
    if (index < current_frame_) --current_frame_;
    if (current_frame_ >= static_cast<int>(frames_.size())) {
        current_frame_ = std::max(0, static_cast<int>(frames_.size()) - 1);
    }
    return true;
}

AniFrame* Picture::CurrentFrame() const {
    if (frames_.empty()) return nullptr;
    return frames_[static_cast<std::size_t>(std::clamp(current_frame_, 0, static_cast<int>(frames_.size()) - 1))];
}

bool Picture::SetCurrentFrame(int index) {
    if (index < 0 || index >= static_cast<int>(frames_.size())) return false;
    current_frame_ = index;
    return true;
}

// ---------------------------------------------------------------------------
// Pixel type and mipmaps.

std::string Picture::PixelType() const {
    switch (type_) {
        case PictureType::kSingle:
            return bitmap_ ? PixelTypeName(bitmap_->format()) : "";
        case PictureType::kLayer:
            return PixelTypeName(PixelFormat::kRgba32);
        case PictureType::kAnimation: {
            const AniFrame* frame = CurrentFrame();
            return frame && frame->bitmap() ? PixelTypeName(frame->bitmap()->format()) : "";
        }
    }
    return "";
}

void Picture::BaseSize(int* width, int* height) const {
    *width = *height = 0;
    const Bitmap* base = nullptr;
    switch (type_) {
        case PictureType::kSingle:
            base = bitmap_;
            break;
        case PictureType::kAnimation:
            base = CurrentFrame() ? CurrentFrame()->bitmap() : nullptr;
            break;
        case PictureType::kLayer:
            if (ValidSize(canvas_width_, canvas_height_)) {
                *width = canvas_width_;
                *height = canvas_height_;
            }
            return;
    }
    if (base) {
        *width = base->width();
        *height = base->height();
    }
}

int Picture::MipmapLevels() const {
    int width, height;
    BaseSize(&width, &height);
    int levels = 0;
    for (int side = std::max(width, height); side > 1; side >>= 1) ++levels;
    return levels;
}

Bitmap* Picture::Mipmap(int level) {
    if (level < 0 || level > MipmapLevels()) return nullptr;
    Bitmap* base = DisplayBitmap();
    if (!base || level == 0) return base;
    const int width = std::max(1, base->width() >> level);
    const int height = std::max(1, base->height() >> level);
    try {
        const RgbaImage image = Resample(base->ToRgba(), width, height, ResampleMethod::kBox);
        if (mipmaps_.size() <= static_cast<std::size_t>(level)) mipmaps_.resize(static_cast<std::size_t>(level) + 1);
        Bitmap*& slot = mipmaps_[static_cast<std::size_t>(level)];
        if (!slot) slot = factory().MakeBitmap(width, height, PixelFormat::kRgba32, 1);
        if (!slot) return nullptr;
        slot->AssignRgba(image, base->has_alpha());
        return slot;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

// ---------------------------------------------------------------------------
// Copies, filters, comparison, description.

Bitmap* Picture::FlattenedBitmap() const {
    if (!ValidSize(canvas_width_, canvas_height_)) return nullptr;
    const RgbaImage image = FlattenLayers(layers_, canvas_width_, canvas_height_);
    const bool alpha = image.AnyTransparent();
    Bitmap* bitmap = factory().MakeBitmap(canvas_width_, canvas_height_,
                                          alpha ? PixelFormat::kRgba32 : PixelFormat::kRgb24, 1);
    if (bitmap) bitmap->AssignRgba(image, alpha);
    return bitmap;
}

Picture* Picture::Copy() const {
    try {
        Picture* copy = factory().MakePicture(type_);
        if (!copy) return nullptr;
        copy->canvas_width_ = canvas_width_;
        copy->canvas_height_ = canvas_height_;
        if (bitmap_) {
            copy->bitmap_ = bitmap_->Copy();
            if (!copy->bitmap_) return nullptr;
        }
        for (const Layer* layer : layers_) {
            Layer* c = layer->Copy();
            if (!c) return nullptr;
            copy->layers_.push_back(c);
            c->picture_ = copy;
        }
        std::vector<int> path;
        if (current_layer_ && PathTo(layers_, current_layer_, &path)) {
            copy->current_layer_ = Follow(copy->layers_, path);
        }
        for (const AniFrame* frame : frames_) {
            AniFrame* c = frame->Copy();
            if (!c) return nullptr;
            copy->frames_.push_back(c);
        }
        copy->current_frame_ = current_frame_;
        return copy;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

Picture* Picture::Filtered(const char* name, const char* settings) const {
    try {
        const BitmapFilter filter = MakeFilter(name, settings);
        if (!filter) return nullptr;
        Picture* copy = Copy();
        if (!copy) return nullptr;
        if (copy->bitmap_) filter(*copy->bitmap_);
        ForEachLayerBitmap(copy->layers_, filter);
        for (AniFrame* frame : copy->frames_) {
            if (frame->bitmap()) filter(*frame->bitmap());
        }
        return copy;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

bool Picture::SameContent(const Picture& other) const {
    if (type_ != other.type_ || canvas_width() != other.canvas_width() ||
        canvas_height() != other.canvas_height() || layers_.size() != other.layers_.size() ||
        frames_.size() != other.frames_.size()) {
        return false;
    }
    if ((bitmap_ == nullptr) != (other.bitmap_ == nullptr)) return false;
    if (bitmap_ && bitmap_ != other.bitmap_ && !bitmap_->SameContent(*other.bitmap_)) return false;
    for (std::size_t i = 0; i < layers_.size(); ++i) {
        if (!layers_[i]->SameContent(*other.layers_[i])) return false;
    }
    for (std::size_t i = 0; i < frames_.size(); ++i) {
        if (!frames_[i]->SameContent(*other.frames_[i])) return false;
    }
    return true;
}

picojson::value Picture::ToJson() const {
    picojson::object o;
    o["Type"] = picojson::value("Picture");
    o["PictureType"] = picojson::value(PictureTypeName(type_));
    o["CanvasWidth"] = picojson::value(static_cast<std::int64_t>(canvas_width()));
    o["CanvasHeight"] = picojson::value(static_cast<std::int64_t>(canvas_height()));
    o["PixelType"] = picojson::value(PixelType());
    o["MipmapLevel"] = picojson::value(static_cast<std::int64_t>(MipmapLevels()));
    o["Bitmap"] = bitmap_ ? bitmap_->ToJson() : picojson::value();
    picojson::array layers;
    for (const Layer* layer : layers_) layers.push_back(layer->ToJson());
    o["Layers"] = picojson::value(layers);
    picojson::array frames;
    for (const AniFrame* frame : frames_) frames.push_back(frame->ToJson());
    o["AniFrames"] = picojson::value(frames);
    if (type_ == PictureType::kAnimation) {
        o["CurrentAniFrame"] = picojson::value(static_cast<std::int64_t>(frames_.empty() ? -1 : current_frame_));
    }
    return picojson::value(o);
}

}  // namespace qfhost
