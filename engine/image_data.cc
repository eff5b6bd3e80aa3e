#include "engine/image_data.h"

#include <algorithm>
#include <utility>

#include <sys/mman.h>
#include <unistd.h>

#include "engine/js_convert.h"

namespace qfjsbinding::image_data {

using v8::ArrayBuffer;
using v8::ArrayBufferView;
using v8::FunctionCallbackInfo;
using v8::Isolate;
using v8::Local;
using v8::Object;
using v8::TypedArray;
using v8::Uint8ClampedArray;
using v8::Value;

namespace {

void ThrowRangeError(Isolate* isolate, const char* message) {
    // A terminating script must not get a new exception in place of the
    // termination.
    if (isolate->IsExecutionTerminating()) return;
    isolate->ThrowException(v8::Exception::RangeError(
        v8::String::NewFromUtf8(isolate, message).ToLocalChecked()));
}

void FreeFromAllocator(void* data, std::size_t length, void* allocator) {
    static_cast<ArrayBuffer::Allocator*>(allocator)->Free(data, length);
}

// Property `name` of `object` converted with ToInt32; false when the getter
// or the conversion threw.
bool Int32Property(Local<v8::Context> context, Local<Object> object, const char* name, std::int32_t* out) {
    Local<Value> value;
    if (!object->Get(context, js::Name(context->GetIsolate(), name)).ToLocal(&value)) return false;
    return js::ToInt32(context, value, out);
}

// Where the bytes of an accepted data array are. A buffer the engine has
// made is shared through its backing store; a small array that still lives
// inside the script heap (it has no buffer yet) is copied, since making its
// buffer would allocate, and the engine treats a refused allocation there
// as fatal.
void LocateBytes(Local<TypedArray> data, std::size_t length, Source* source) {
    if (data->HasBuffer()) {
        source->store = data->Buffer()->GetBackingStore();
        source->bytes = static_cast<const std::uint8_t*>(source->store->Data()) + data->ByteOffset();
        return;
    }
    source->copy = std::make_unique<std::uint8_t[]>(length);
    data->CopyContents(source->copy.get(), length);
    source->bytes = source->copy.get();
}

}  // namespace

Outcome ReadRegionArguments(const FunctionCallbackInfo<Value>& info, Region* region, bool* whole) {
    *whole = info.Length() == 0;
    if (*whole) return Outcome::kOk;
    if (info.Length() < 4) return Outcome::kRefused;
    Local<v8::Context> context = info.GetIsolate()->GetCurrentContext();
    std::int32_t* fields[] = {&region->x, &region->y, &region->width, &region->height};
    for (int i = 0; i < 4; ++i) {
        if (!js::ToInt32(context, info[i], fields[i])) return Outcome::kException;
    }
    return Outcome::kOk;
}

bool CutToBitmap(const Region& region, std::int32_t width, std::int32_t height, Region* cut) {
    if (region.width <= 0 || region.height <= 0) return false;
    const std::int64_t left = std::max<std::int64_t>(region.x, 0);
    const std::int64_t top = std::max<std::int64_t>(region.y, 0);
    const std::int64_t right = std::min<std::int64_t>(std::int64_t{region.x} + region.width, width);
    const std::int64_t bottom = std::min<std::int64_t>(std::int64_t{region.y} + region.height, height);
    if (right <= left || bottom <= top) return false;
    cut->x = static_cast<std::int32_t>(left);
    cut->y = static_cast<std::int32_t>(top);
    cut->width = static_cast<std::int32_t>(right - left);
    cut->height = static_cast<std::int32_t>(bottom - top);
    return true;
}

Outcome ReadSourceArguments(const FunctionCallbackInfo<Value>& info, Source* source) {
    // x and y come together, as in the web's putImageData.
    if (info.Length() < 1 || info.Length() == 2) return Outcome::kRefused;
    if (!info[0]->IsObject()) return Outcome::kRefused;
    Local<Object> imageData = info[0].As<Object>();
    Isolate* isolate = info.GetIsolate();
    Local<v8::Context> context = isolate->GetCurrentContext();

    if (!Int32Property(context, imageData, "width", &source->width)) return Outcome::kException;
    if (!Int32Property(context, imageData, "height", &source->height)) return Outcome::kException;
    Local<Value> data;
    if (!imageData->Get(context, js::Name(isolate, "data")).ToLocal(&data)) return Outcome::kException;
    source->x = 0;
    source->y = 0;
    if (info.Length() >= 3) {
        if (!js::ToInt32(context, info[1], &source->x) || !js::ToInt32(context, info[2], &source->y)) {
            return Outcome::kException;
        }
    }

    // No script code runs from here on, so what is checked now stays true
    // while the caller copies.
    if (source->width <= 0 || source->height <= 0) return Outcome::kRefused;
    if (!data->IsUint8Array() && !data->IsUint8ClampedArray()) return Outcome::kRefused;
    const std::uint64_t expected = std::uint64_t{4} * static_cast<std::uint32_t>(source->width) *
                                   static_cast<std::uint32_t>(source->height);
    Local<TypedArray> array = data.As<TypedArray>();
    // Length() is 0 for an array over a detached buffer.
    if (array->Length() != expected) return Outcome::kRefused;
    LocateBytes(array, static_cast<std::size_t>(expected), source);
    return source->bytes ? Outcome::kOk : Outcome::kRefused;
}

// Every byte of a new pixel array is written at once. A large block is
// usually fresh memory, and touching it page by page costs one page fault per
// page; asking the kernel to map the whole block for writing in one call is
// much cheaper. Nothing changes when the kernel does not know the request.
void PrefaultForWriting(void* data, std::size_t length) {
    constexpr std::size_t kWorthIt = std::size_t{1} << 20;
    if (length < kWorthIt) return;
    const std::uintptr_t page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    const std::uintptr_t begin = (reinterpret_cast<std::uintptr_t>(data) + page - 1) & ~(page - 1);
    const std::uintptr_t end = (reinterpret_cast<std::uintptr_t>(data) + length) & ~(page - 1);
    if (end > begin) ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_POPULATE_WRITE);
}

bool NewPixelArray(Isolate* isolate, std::size_t length, Local<Uint8ClampedArray>* array, std::uint8_t** bytes) {
    if (length > Uint8ClampedArray::kMaxLength) {
        ThrowRangeError(isolate, "Image data too large for a typed array");
        return false;
    }
    ArrayBuffer::Allocator* allocator = isolate->GetArrayBufferAllocator();
    void* data = allocator ? allocator->AllocateUninitialized(length) : nullptr;
    if (!data) {
        ThrowRangeError(isolate, "Array buffer allocation failed");
        return false;
    }
    PrefaultForWriting(data, length);
    // From here the backing store owns the block and gives it back to the
    // allocator when the array is collected.
    std::unique_ptr<v8::BackingStore> store =
        ArrayBuffer::NewBackingStore(data, length, FreeFromAllocator, allocator);
    Local<ArrayBuffer> buffer = ArrayBuffer::New(isolate, std::move(store));
    *array = Uint8ClampedArray::New(buffer, 0, length);
    *bytes = static_cast<std::uint8_t*>(data);
    return true;
}

bool NewImageDataObject(Local<v8::Context> context, std::int32_t width, std::int32_t height,
                        Local<Uint8ClampedArray> data, Local<Object>* out) {
    Isolate* isolate = context->GetIsolate();
    Local<Object> object = Object::New(isolate);
    // Own data properties: a setter a script put on Object.prototype for one
    // of these names is not called.
    bool done = false;
    if (!object->CreateDataProperty(context, js::Name(isolate, "width"), v8::Integer::New(isolate, width)).To(&done) ||
        !object->CreateDataProperty(context, js::Name(isolate, "height"), v8::Integer::New(isolate, height))
             .To(&done) ||
        !object->CreateDataProperty(context, js::Name(isolate, "data"), data).To(&done)) {
        return false;
    }
    *out = object;
    return true;
}

}  // namespace qfjsbinding::image_data
