// The global functions LoadTextFile, LoadBinaryFile, SaveTextFile and
// SaveBinaryFile: scripts read and write files directly, as text in the
// Unicode encodings or any ICU code page, or as raw bytes in a Uint8Array.
// I/O problems never raise script exceptions: reads give null, writes false.
#include <sys/stat.h>
#include <sys/types.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include <boost/filesystem/operations.hpp>

#include "engine/array_buffer_allocator.h"
#include "engine/callback_guard.h"
#include "engine/class_builder.h"
#include "engine/filter_context.h"
#include "engine/js_convert.h"
#include "model/model_v8/classes_v8.h"
#include "tools/text_convert.h"
#include "tools/text_encoding.h"
#include "tools/text_file.h"

namespace qfjsbinding {

using v8::ArrayBuffer;
using v8::FunctionCallbackInfo;
using v8::Isolate;
using v8::Local;
using v8::String;
using v8::Uint8Array;
using v8::Value;

namespace {

using namespace std::string_view_literals;

// An optional argument counts as given unless it is missing or undefined, so
// a wrapper function that passes its own optional parameters on unchanged
// gets the defaults rather than the text "undefined".
bool Given(const FunctionCallbackInfo<Value>& info, int index) {
    return info.Length() > index && !info[index]->IsUndefined();
}

bool ToText(const FunctionCallbackInfo<Value>& info, int index, std::string* out) {
    Isolate* isolate = info.GetIsolate();
    return js::ToUtf8(isolate, isolate->GetCurrentContext(), info[index], out);
}

OwnedFile OpenFile(const std::string& path, const char* mode) {
    if (path.empty() || ContainsNul(path)) return nullptr;
    return OwnedFile(std::fopen(path.c_str(), mode));
}

bool WriteAll(std::FILE* file, const char* data, std::size_t size) {
    return size == 0 || std::fwrite(data, 1, size, file) == size;
}

// Closing reports the write errors that buffering has held back so far.
bool Close(OwnedFile file) {
    return std::fclose(file.release()) == 0;
}

// The size of an open regular file, from positioning at its end.
bool RegularFileSize(std::FILE* file, std::size_t* size) {
    struct stat info {};
    if (fstat(fileno(file), &info) != 0 || !S_ISREG(info.st_mode)) return false;
    if (fseeko(file, 0, SEEK_END) != 0) return false;
    const off_t end = ftello(file);
    if (end < 0 || fseeko(file, 0, SEEK_SET) != 0) return false;
    *size = static_cast<std::size_t>(end);
    return true;
}

bool ReadAll(std::FILE* file, char* data, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        const std::size_t n = std::fread(data + done, 1, size - done, file);
        if (n == 0) return false;
        done += n;
    }
    return true;
}

std::string LowerAscii(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

// The encoding of an existing file from its byte-order mark; empty when it
// has none. UTF-32 marks are told apart from UTF-16 ones so that appending to
// a UTF-32 file keeps it UTF-32.
std::string EncodingOfExistingFile(const std::string& path) {
    OwnedFile file = OpenFile(path, "rb");
    if (!file) return std::string();
    char head[4] = {};
    const std::size_t n = std::fread(head, 1, sizeof head, file.get());
    const std::string_view bytes(head, n);
    auto startsWith = [&](std::string_view mark) { return bytes.substr(0, mark.size()) == mark; };
    if (startsWith("\xFF\xFE\x00\x00"sv)) return "utf32le";
    if (startsWith("\x00\x00\xFE\xFF"sv)) return "utf32be";
    if (startsWith("\xEF\xBB\xBF"sv)) return "utf8";
    if (startsWith("\xFF\xFE"sv)) return "utf16le";
    if (startsWith("\xFE\xFF"sv)) return "utf16be";
    return std::string();
}

// The bytes of `text` in `encoding` (lower case) and the mark a new file gets.
bool Encode(const std::string& text, const std::string& encoding, std::string* bytes, std::string_view* mark) {
    *mark = std::string_view();
    if (encoding == "utf8") {
        *mark = "\xEF\xBB\xBF"sv;
        *bytes = text;
        return true;
    }
    if (encoding == "utf8n") {
        *bytes = text;
        return true;
    }
    if (encoding == "utf16" || encoding == "utf16le") {
        *mark = "\xFF\xFE"sv;
        return Utf8ToUtf16Bytes(text, false, bytes);
    }
    if (encoding == "utf16be") {
        *mark = "\xFE\xFF"sv;
        return Utf8ToUtf16Bytes(text, true, bytes);
    }
    if (encoding == "utf32" || encoding == "utf32le") {
        *mark = "\xFF\xFE\x00\x00"sv;
        return Utf8ToUtf32Bytes(text, false, bytes);
    }
    if (encoding == "utf32be") {
        *mark = "\x00\x00\xFE\xFF"sv;
        return Utf8ToUtf32Bytes(text, true, bytes);
    }
    return Utf8ToCodePage(text, encoding, bytes);
}

void FreeFromAllocator(void* data, std::size_t length, void* allocator) {
    static_cast<ArrayBuffer::Allocator*>(allocator)->Free(data, length);
}

// A new array buffer holding the whole of `file`, or false. The memory comes
// from the context's allocator directly: the engine's own allocation path
// treats a refused allocation as a fatal error, and a large file must give
// the script null rather than take the host down.
bool ReadIntoArrayBuffer(Isolate* isolate, std::FILE* file, Local<ArrayBuffer>* out) {
    std::size_t size = 0;
    if (!RegularFileSize(file, &size)) return false;
    if (size == 0) {
        *out = ArrayBuffer::New(isolate, 0);
        return true;
    }
    if (size > Uint8Array::kMaxLength) return false;
    ArrayBuffer::Allocator* allocator = ContextOf(isolate)->arrayBufferAllocator.get();
    if (!allocator) return false;
    void* data = allocator->AllocateUninitialized(size);
    if (!data) return false;
    auto release = [allocator, size](void* p) { allocator->Free(p, size); };
    std::unique_ptr<void, decltype(release)> owned(data, release);
    if (!ReadAll(file, static_cast<char*>(data), size)) return false;
    std::unique_ptr<v8::BackingStore> store =
        ArrayBuffer::NewBackingStore(owned.release(), size, FreeFromAllocator, allocator);
    *out = ArrayBuffer::New(isolate, std::move(store));
    return true;
}

}  // namespace

void GlobalFunc_LoadTextFile(const FunctionCallbackInfo<Value>& info) {
    Isolate* isolate = info.GetIsolate();
    info.GetReturnValue().SetNull();
    if (info.Length() < 1) return;
    std::string path;
    if (!ToText(info, 0, &path)) return;
    std::string codePage = "utf8";
    if (Given(info, 1) && !ToText(info, 1, &codePage)) return;
    if (ContainsNul(path)) return;

    std::string text;
    if (!LoadTextFile(PathFromU8String(path), text, codePage)) return;
    Local<String> result;
    if (!js::NewString(isolate, text, &result)) return;
    info.GetReturnValue().Set(result);
}

void GlobalFunc_LoadBinaryFile(const FunctionCallbackInfo<Value>& info) {
    Isolate* isolate = info.GetIsolate();
    info.GetReturnValue().SetNull();
    if (info.Length() < 1) return;
    std::string path;
    if (!ToText(info, 0, &path)) return;

    OwnedFile file = OpenFile(path, "rb");
    if (!file) return;
    Local<ArrayBuffer> buffer;
    if (!ReadIntoArrayBuffer(isolate, file.get(), &buffer)) return;
    info.GetReturnValue().Set(Uint8Array::New(buffer, 0, buffer->ByteLength()));
}

void GlobalFunc_SaveTextFile(const FunctionCallbackInfo<Value>& info) {
    Isolate* isolate = info.GetIsolate();
    info.GetReturnValue().Set(false);
    if (info.Length() < 2) return;
    std::string path;
    if (!ToText(info, 0, &path)) return;
    std::string text;
    if (!info[1]->IsNull() && !ToText(info, 1, &text)) return;
    bool append = info.Length() > 2 && js::ToBool(isolate, info[2]);
    std::string encoding;
    if (Given(info, 3) && !ToText(info, 3, &encoding)) return;
    if (path.empty() || ContainsNul(path)) return;

    if (append) {
        // Appending to nothing writes a new file, with its mark.
        boost::system::error_code error;
        const std::uintmax_t size = boost::filesystem::file_size(PathFromU8String(path), error);
        append = !error && size > 0;
    }
    if (append) {
        // The existing file's own mark decides, so its text stays in one encoding.
        const std::string existing = EncodingOfExistingFile(path);
        if (!existing.empty()) encoding = existing;
    }
    encoding = LowerAscii(encoding.empty() ? std::string("utf8") : encoding);

    std::string bytes;
    std::string_view mark;
    if (!Encode(text, encoding, &bytes, &mark)) return;
    if (!text.empty() && bytes.empty()) return;

    OwnedFile file = OpenFile(path, append ? "a+b" : "wb");
    if (!file) return;
    if (!bytes.empty()) {
        if (!append && !WriteAll(file.get(), mark.data(), mark.size())) return;
        if (!WriteAll(file.get(), bytes.data(), bytes.size())) return;
    }
    info.GetReturnValue().Set(Close(std::move(file)));
}

void GlobalFunc_SaveBinaryFile(const FunctionCallbackInfo<Value>& info) {
    Isolate* isolate = info.GetIsolate();
    info.GetReturnValue().Set(false);
    if (info.Length() < 2) return;
    std::string path;
    if (!ToText(info, 0, &path)) return;
    const bool append = info.Length() > 2 && js::ToBool(isolate, info[2]);
    if (!info[1]->IsUint8Array()) return;

    OwnedFile file = OpenFile(path, append ? "a+b" : "wb");
    if (!file) return;
    // No script code runs from here on, so the view cannot change under us.
    Local<Uint8Array> view = info[1].As<Uint8Array>();
    const std::size_t length = view->ByteLength();
    if (length > 0) {
        std::shared_ptr<v8::BackingStore> store = view->Buffer()->GetBackingStore();
        const char* data = static_cast<const char*>(store->Data()) + view->ByteOffset();
        if (!WriteAll(file.get(), data, length)) return;
    }
    info.GetReturnValue().Set(Close(std::move(file)));
}

void InstallFileFunctions(Isolate* isolate, Local<v8::ObjectTemplate> global) {
    SetGlobalFunction(isolate, global, "LoadTextFile", Guarded<GlobalFunc_LoadTextFile>);
    SetGlobalFunction(isolate, global, "LoadBinaryFile", Guarded<GlobalFunc_LoadBinaryFile>);
    SetGlobalFunction(isolate, global, "SaveTextFile", Guarded<GlobalFunc_SaveTextFile>);
    SetGlobalFunction(isolate, global, "SaveBinaryFile", Guarded<GlobalFunc_SaveBinaryFile>);
}

}  // namespace qfjsbinding
