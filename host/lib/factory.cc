#include "host/lib/factory.h"

#include <cstdint>
#include <new>

#include "host/lib/png_io.h"

namespace qfhost {

namespace {

// Adds a new object to its pool; null when memory runs out.
template <class T, class Pool, class... Args>
T* Adopt(Pool& pool, Args&&... args) {
    try {
        pool.objects.reserve(pool.objects.size() + 1);
        auto object = std::make_unique<T>(std::forward<Args>(args)...);
        T* raw = object.get();
        pool.objects.push_back(std::move(object));
        return raw;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

// The live object whose interface address is `handle`.
template <class Interface, class Pool>
auto FindHandle(const Pool& pool, const void* handle) -> decltype(pool.objects.front().get()) {
    if (!handle) return nullptr;
    for (const auto& object : pool.objects) {
        if (static_cast<const void*>(static_cast<const Interface*>(object.get())) == handle) return object.get();
    }
    return nullptr;
}

// The handle as the call log shows it: the object's label, null, or
// "unknown" for an address that is no live object of the factory.
logarg::Raw HandleArgument(const IQFObject* found, const void* handle) {
    if (found) return logarg::Raw{LabelOf(found)};
    return logarg::Raw{handle ? "unknown" : "null"};
}

}  // namespace

std::string PointerString(const void* pointer) {
    return std::to_string(reinterpret_cast<std::uintptr_t>(pointer));
}

Factory::Factory() : core_(*this, "Factory", 0) {}

Factory::~Factory() {
    FreeAll();
}

// ---------------------------------------------------------------------------
// IQFJSFactory

void Factory::Release() {
    core_.Log("Release");
    ++release_count_;
    if (free_on_release_) FreeAll();
}

IQFBitmap* Factory::CreateBitmap(int width, int height, int bitCount, int extra) {
    core_.Log("CreateBitmap", width, height, bitCount, extra);
    switch (bitCount) {
        case 8:
            return MakeBitmap(width, height, PixelFormat::kIndex8, extra >= 1 && extra <= 256 ? extra : 256);
        case 24:
            return MakeBitmap(width, height, PixelFormat::kRgb24);
        case 32:
            return MakeBitmap(width, height, PixelFormat::kRgba32);
        default:
            return nullptr;
    }
}

void Factory::ReservedFactory0() {
    core_.Log("ReservedFactory0");
}

IQFLayer* Factory::CreateLayer() {
    core_.Log("CreateLayer");
    return MakeLayer();
}

IQFDocument* Factory::GetDocument(const void* documentHandle) {
    Document* found = FindHandle<IQFDocument>(documents_, documentHandle);
    core_.Log("GetDocument", HandleArgument(found, documentHandle));
    return found;
}

IQFPicture* Factory::CreatePicture(IQFBitmap* bitmap) {
    core_.Log("CreatePicture", static_cast<const IQFObject*>(bitmap));
    Bitmap* own = AsBitmap(bitmap);
    if (!own || &own->factory() != this) return nullptr;
    return NewSinglePicture(own);
}

IQFPicture* Factory::GetPicture(const void* pictureHandle) {
    Picture* found = FindHandle<IQFPicture>(pictures_, pictureHandle);
    core_.Log("GetPicture", HandleArgument(found, pictureHandle));
    return found;
}

IQFPicture* Factory::LoadPicture(const char* path, const char* options) {
    core_.Log("LoadPicture", path, options);
    return LoadPngPicture(*this, path, options);
}

bool Factory::SavePicture(IQFPicture* picture, const char* path, const char* options) {
    core_.Log("SavePicture", static_cast<const IQFObject*>(picture), path, options);
    const Picture* own = AsPicture(picture);
    if (!own || &own->factory() != this) return false;
    return SavePngPicture(*own, path, options);
}

// ---------------------------------------------------------------------------
// Object creation.

Bitmap* Factory::MakeBitmap(int width, int height, PixelFormat format, int paletteCount) {
    if (!ValidSize(width, height)) return nullptr;
    // Bitmaps live until Release(); counting them keeps a script that makes
    // large copies in a loop from taking all the machine's memory.
    const std::uint64_t bytes = static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) * 4;
    if (bytes > memory_budget_ || bitmap_bytes_ > memory_budget_ - bytes) return nullptr;
    Bitmap* bitmap = Adopt<Bitmap>(bitmaps_, ObjectKey(), *this, bitmaps_.next_id, width, height,
                                   format, paletteCount);
    if (bitmap) {
        ++bitmaps_.next_id;
        bitmap_bytes_ += bytes;
    }
    return bitmap;
}

Layer* Factory::MakeLayer() {
    Layer* layer = Adopt<Layer>(layers_, ObjectKey(), *this, layers_.next_id);
    if (layer) ++layers_.next_id;
    return layer;
}

AniFrame* Factory::MakeAniFrame() {
    AniFrame* frame = Adopt<AniFrame>(frames_, ObjectKey(), *this, frames_.next_id);
    if (frame) ++frames_.next_id;
    return frame;
}

Picture* Factory::MakePicture(PictureType type) {
    Picture* picture = Adopt<Picture>(pictures_, ObjectKey(), *this, pictures_.next_id, type);
    if (picture) ++pictures_.next_id;
    return picture;
}

Bitmap* Factory::NewBitmapFromRgba(const RgbaImage& image) {
    Bitmap* bitmap =
        MakeBitmap(image.width, image.height, image.has_alpha ? PixelFormat::kRgba32 : PixelFormat::kRgb24);
    if (!bitmap) return nullptr;
    try {
        bitmap->AssignRgba(image, image.has_alpha);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    return bitmap;
}

Picture* Factory::NewSinglePicture(Bitmap* bitmap) {
    if (bitmap && &bitmap->factory() != this) return nullptr;
    Picture* picture = MakePicture(PictureType::kSingle);
    if (picture) picture->AssignBitmap(bitmap);
    return picture;
}

Picture* Factory::NewLayerPicture(int canvasWidth, int canvasHeight) {
    if (!ValidSize(canvasWidth, canvasHeight)) return nullptr;
    Picture* picture = MakePicture(PictureType::kLayer);
    if (picture) picture->SetCanvasSize(canvasWidth, canvasHeight);
    return picture;
}

Picture* Factory::NewAnimationPicture(int canvasWidth, int canvasHeight) {
    if (!ValidSize(canvasWidth, canvasHeight)) return nullptr;
    Picture* picture = MakePicture(PictureType::kAnimation);
    if (picture) picture->SetCanvasSize(canvasWidth, canvasHeight);
    return picture;
}

Layer* Factory::NewBitmapLayer(const std::string& name, Bitmap* bitmap, int x, int y) {
    if (bitmap && &bitmap->factory() != this) return nullptr;
    Layer* layer = MakeLayer();
    if (!layer) return nullptr;
    layer->set_name(name);
    layer->AssignBitmap(bitmap);
    layer->set_position(x, y);
    return layer;
}

Layer* Factory::NewFolderLayer(const std::string& name) {
    Layer* layer = MakeLayer();
    if (!layer) return nullptr;
    layer->ChangeType(LayerType::kFolder);
    layer->set_name(name);
    return layer;
}

Document* Factory::NewDocument(const std::string& filePath) {
    Document* document = Adopt<Document>(documents_, ObjectKey(), *this, documents_.next_id, filePath);
    if (document) ++documents_.next_id;
    return document;
}

Picture* Factory::ReadPicture(const std::string& path, const std::string& options) {
    return LoadPngPicture(*this, path.c_str(), options.c_str());
}

bool Factory::WritePicture(Picture* picture, const std::string& path, const std::string& options) {
    if (!picture || &picture->factory() != this) return false;
    return SavePngPicture(*picture, path.c_str(), options.c_str());
}

std::size_t Factory::object_count() const {
    return bitmaps_.objects.size() + pictures_.objects.size() + layers_.objects.size() +
           frames_.objects.size() + documents_.objects.size();
}

void Factory::FreeAll() {
    bitmap_bytes_ = 0;
    // Objects point at each other only through raw pointers that their
    // destructors never follow, so the order does not matter.
    bitmaps_ = Pool<Bitmap>();
    pictures_ = Pool<Picture>();
    layers_ = Pool<Layer>();
    frames_ = Pool<AniFrame>();
    documents_ = Pool<Document>();
}

}  // namespace qfhost
