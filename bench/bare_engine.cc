#include "bench/bare_engine.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <v8.h>

namespace qfjs_bench {

using v8::FunctionCallbackInfo;
using v8::FunctionTemplate;
using v8::Isolate;
using v8::Local;
using v8::Name;
using v8::Object;
using v8::ObjectTemplate;
using v8::PropertyCallbackInfo;
using v8::String;
using v8::Value;

namespace {

Local<String> Str(Isolate* isolate, const char* text) {
    return String::NewFromUtf8(isolate, text, v8::NewStringType::kInternalized).ToLocalChecked();
}

IQFBitmap* BitmapOf(Local<Object> holder) {
    return static_cast<IQFBitmap*>(holder->GetAlignedPointerFromInternalField(1));
}

// The position rule with the same host calls the library makes.
void Clip(IQFBitmap* bitmap, int& x, int& y) {
    const int w = bitmap->GetWidth();
    const int h = bitmap->GetHeight();
    if (x < 0) x = 0;
    if (y < 0) y = 0;
    if (x >= w) x = w - 1;
    if (y >= h) y = h - 1;
}

template <double (IQFBitmap::*Get)(int, int)>
void GetChannel(const FunctionCallbackInfo<Value>& info) {
    Local<v8::Context> context = info.GetIsolate()->GetCurrentContext();
    IQFBitmap* bitmap = BitmapOf(info.Holder());
    int x = info[0]->Int32Value(context).FromMaybe(0);
    int y = info[1]->Int32Value(context).FromMaybe(0);
    Clip(bitmap, x, y);
    info.GetReturnValue().Set((bitmap->*Get)(x, y));
}

void SetPixel(const FunctionCallbackInfo<Value>& info) {
    Local<v8::Context> context = info.GetIsolate()->GetCurrentContext();
    IQFBitmap* bitmap = BitmapOf(info.Holder());
    int x = info[0]->Int32Value(context).FromMaybe(0);
    int y = info[1]->Int32Value(context).FromMaybe(0);
    Clip(bitmap, x, y);
    const double r = info[2]->NumberValue(context).FromMaybe(0);
    const double g = info[3]->NumberValue(context).FromMaybe(0);
    const double b = info[4]->NumberValue(context).FromMaybe(0);
    bitmap->SetPixel(x, y, &r, &g, &b, nullptr, nullptr);
    info.GetReturnValue().Set(true);
}

// Colour objects: fields 0 context, 1 kind, 2 bitmap, 3 x, 4 y (5..7 unused).
template <double (IQFBitmap::*Get)(int, int)>
void ColorGet(Local<Name>, const PropertyCallbackInfo<Value>& info) {
    Local<Object> self = info.Holder();
    IQFBitmap* bitmap = static_cast<IQFBitmap*>(self->GetAlignedPointerFromInternalField(2));
    const int x = self->GetInternalField(3).As<v8::Int32>()->Value();
    const int y = self->GetInternalField(4).As<v8::Int32>()->Value();
    info.GetReturnValue().Set((bitmap->*Get)(x, y));
}

template <void (IQFBitmap::*Set)(int, int, double)>
void ColorSet(Local<Name>, Local<Value> value, const PropertyCallbackInfo<void>& info) {
    Local<Object> self = info.Holder();
    IQFBitmap* bitmap = static_cast<IQFBitmap*>(self->GetAlignedPointerFromInternalField(2));
    const int x = self->GetInternalField(3).As<v8::Int32>()->Value();
    const int y = self->GetInternalField(4).As<v8::Int32>()->Value();
    const double v = value->NumberValue(info.GetIsolate()->GetCurrentContext()).FromMaybe(0);
    (bitmap->*Set)(x, y, v);
}

// Pixel objects: fields 0 context, 1 record, 2 bit count, 3 pixel address
// (shifted left by one bit), 4..6 null.
std::uint8_t* PixelBytes(Local<Object> self) {
    return reinterpret_cast<std::uint8_t*>(reinterpret_cast<std::uintptr_t>(self->GetAlignedPointerFromInternalField(3)) >> 1);
}

template <int Offset>
void PixelGet(Local<Name>, const PropertyCallbackInfo<Value>& info) {
    info.GetReturnValue().Set(PixelBytes(info.Holder())[Offset]);
}

template <int Offset>
void PixelSet(Local<Name>, Local<Value> value, const PropertyCallbackInfo<void>& info) {
    const int v = value->Int32Value(info.GetIsolate()->GetCurrentContext()).FromMaybe(0);
    PixelBytes(info.Holder())[Offset] = static_cast<std::uint8_t>(std::clamp(v, 0, 255));
}

}  // namespace

struct BareEngine::Impl {
    std::unique_ptr<v8::ArrayBuffer::Allocator> allocator{v8::ArrayBuffer::Allocator::NewDefaultAllocator()};
    Isolate* isolate = nullptr;
    // The layer image of the pixel floor: 24-bit rows, bottom-up.
    std::vector<std::uint8_t> layer = std::vector<std::uint8_t>(1000 * 3000);

    v8::Global<ObjectTemplate> colorTemplate;
    v8::Global<ObjectTemplate> pixelTemplate;

    static Impl* Of(Isolate* isolate) { return static_cast<Impl*>(isolate->GetData(0)); }

    static void GetPixel(const FunctionCallbackInfo<Value>& info) {
        Isolate* isolate = info.GetIsolate();
        Local<v8::Context> context = isolate->GetCurrentContext();
        IQFBitmap* bitmap = BitmapOf(info.Holder());
        int x = info[0]->Int32Value(context).FromMaybe(0);
        int y = info[1]->Int32Value(context).FromMaybe(0);
        Clip(bitmap, x, y);
        Local<Object> color = Of(isolate)->colorTemplate.Get(isolate)->NewInstance(context).ToLocalChecked();
        color->SetAlignedPointerInInternalField(0, Of(isolate));
        color->SetInternalField(1, v8::Integer::New(isolate, 2));
        color->SetAlignedPointerInInternalField(2, bitmap);
        color->SetInternalField(3, v8::Integer::New(isolate, x));
        color->SetInternalField(4, v8::Integer::New(isolate, y));
        info.GetReturnValue().Set(color);
    }

    static void PixelAt(const FunctionCallbackInfo<Value>& info) {
        Isolate* isolate = info.GetIsolate();
        Local<v8::Context> context = isolate->GetCurrentContext();
        Impl* self = Of(isolate);
        const int x = std::clamp(info[0]->Int32Value(context).FromMaybe(0), 0, 999);
        const int y = std::clamp(info[1]->Int32Value(context).FromMaybe(0), 0, 999);
        std::uint8_t* pixel = self->layer.data() + 3000 * (999 - y) + 3 * x;
        Local<Object> p = self->pixelTemplate.Get(isolate)->NewInstance(context).ToLocalChecked();
        p->SetAlignedPointerInInternalField(0, self);
        p->SetAlignedPointerInInternalField(1, self);
        p->SetInternalField(2, v8::Integer::New(isolate, 24));
        p->SetAlignedPointerInInternalField(3, reinterpret_cast<void*>(reinterpret_cast<std::uintptr_t>(pixel) << 1));
        p->SetAlignedPointerInInternalField(4, nullptr);
        p->SetAlignedPointerInInternalField(5, nullptr);
        p->SetAlignedPointerInInternalField(6, nullptr);
        info.GetReturnValue().Set(p);
    }

    static void CreateOutLayer(const FunctionCallbackInfo<Value>& info) {
        Isolate* isolate = info.GetIsolate();
        Local<v8::Context> context = isolate->GetCurrentContext();
        Local<ObjectTemplate> t = ObjectTemplate::New(isolate);
        t->Set(Str(isolate, "Width"), v8::Integer::New(isolate, 1000));
        t->Set(Str(isolate, "Height"), v8::Integer::New(isolate, 1000));
        t->Set(Str(isolate, "PixelAt"), FunctionTemplate::New(isolate, PixelAt));
        info.GetReturnValue().Set(t->NewInstance(context).ToLocalChecked());
    }
};

BareEngine::BareEngine() : impl_(std::make_unique<Impl>()) {
    Isolate::CreateParams params;
    params.array_buffer_allocator = impl_->allocator.get();
    impl_->isolate = Isolate::New(params);
    impl_->isolate->SetData(0, impl_.get());
    Isolate* isolate = impl_->isolate;
    v8::Locker locker(isolate);
    Isolate::Scope scope(isolate);
    v8::HandleScope handles(isolate);
    Local<ObjectTemplate> color = ObjectTemplate::New(isolate);
    color->SetInternalFieldCount(8);
    color->SetAccessor(Str(isolate, "R"), ColorGet<&IQFBitmap::GetPixelR>, ColorSet<&IQFBitmap::SetPixelR>);
    color->SetAccessor(Str(isolate, "G"), ColorGet<&IQFBitmap::GetPixelG>, ColorSet<&IQFBitmap::SetPixelG>);
    color->SetAccessor(Str(isolate, "B"), ColorGet<&IQFBitmap::GetPixelB>, ColorSet<&IQFBitmap::SetPixelB>);
    impl_->colorTemplate.Reset(isolate, color);
    Local<ObjectTemplate> pixel = ObjectTemplate::New(isolate);
    pixel->SetInternalFieldCount(7);
    pixel->SetAccessor(Str(isolate, "r"), PixelGet<2>, PixelSet<2>);
    pixel->SetAccessor(Str(isolate, "g"), PixelGet<1>, PixelSet<1>);
    pixel->SetAccessor(Str(isolate, "b"), PixelGet<0>, PixelSet<0>);
    impl_->pixelTemplate.Reset(isolate, pixel);
}

BareEngine::~BareEngine() {
    {
        v8::Locker locker(impl_->isolate);
        impl_->colorTemplate.Reset();
        impl_->pixelTemplate.Reset();
    }
    impl_->isolate->Dispose();
}

void BareEngine::EmptyExecution() {
    Isolate* isolate = impl_->isolate;
    v8::Locker locker(isolate);
    Isolate::Scope scope(isolate);
    v8::HandleScope handles(isolate);
    Local<v8::Context> context = v8::Context::New(isolate);
    v8::Context::Scope contextScope(context);
    Local<v8::Script> script = v8::Script::Compile(context, String::NewFromUtf8Literal(isolate, "")).ToLocalChecked();
    if (script->Run(context).IsEmpty()) std::abort();
}

bool BareEngine::Run(const std::string& source, IQFBitmap* bitmap) {
    Isolate* isolate = impl_->isolate;
    v8::Locker locker(isolate);
    Isolate::Scope scope(isolate);
    v8::HandleScope handles(isolate);

    Local<ObjectTemplate> bitmapTemplate = ObjectTemplate::New(isolate);
    bitmapTemplate->SetInternalFieldCount(2);
    bitmapTemplate->Set(Str(isolate, "GetPixelR"), FunctionTemplate::New(isolate, GetChannel<&IQFBitmap::GetPixelR>));
    bitmapTemplate->Set(Str(isolate, "GetPixelG"), FunctionTemplate::New(isolate, GetChannel<&IQFBitmap::GetPixelG>));
    bitmapTemplate->Set(Str(isolate, "GetPixelB"), FunctionTemplate::New(isolate, GetChannel<&IQFBitmap::GetPixelB>));
    bitmapTemplate->Set(Str(isolate, "SetPixel"), FunctionTemplate::New(isolate, SetPixel));
    bitmapTemplate->Set(Str(isolate, "GetPixel"), FunctionTemplate::New(isolate, Impl::GetPixel));

    Local<v8::Context> context = v8::Context::New(isolate);
    v8::Context::Scope contextScope(context);
    Local<Object> global = context->Global();
    Local<Object> bmp = bitmapTemplate->NewInstance(context).ToLocalChecked();
    bmp->SetAlignedPointerInInternalField(0, impl_.get());
    bmp->SetAlignedPointerInInternalField(1, bitmap);
    if (bitmap) {
        bmp->Set(context, Str(isolate, "Width"), v8::Integer::New(isolate, bitmap->GetWidth())).Check();
        bmp->Set(context, Str(isolate, "Height"), v8::Integer::New(isolate, bitmap->GetHeight())).Check();
    }
    Local<Object> picture = Object::New(isolate);
    picture->Set(context, Str(isolate, "Bitmap"), bmp).Check();
    global->Set(context, Str(isolate, "SourcePicture"), picture).Check();
    Local<Object> image = Object::New(isolate);
    image->Set(context, Str(isolate, "CreateOutLayer"),
               FunctionTemplate::New(isolate, Impl::CreateOutLayer)->GetFunction(context).ToLocalChecked())
        .Check();
    global->Set(context, Str(isolate, "Image"), image).Check();

    v8::TryCatch catcher(isolate);
    Local<v8::Script> script;
    if (!v8::Script::Compile(context, String::NewFromUtf8(isolate, source.c_str()).ToLocalChecked()).ToLocal(&script) ||
        script->Run(context).IsEmpty()) {
        v8::String::Utf8Value text(isolate, catcher.Exception());
        std::fprintf(stderr, "bare script failed: %s\n", *text ? *text : "?");
        return false;
    }
    return true;
}

}  // namespace qfjs_bench
