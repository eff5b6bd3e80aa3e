// The version 8 "Path" object: path arithmetic on text, the user's special
// directories, and temporary files that live as long as the filter context.
// Missing arguments and unusable input give null; nothing here throws.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>

#include <boost/filesystem/operations.hpp>
#include <boost/filesystem/path.hpp>

#include "engine/callback_guard.h"
#include "engine/class_builder.h"
#include "engine/filter_context.h"
#include "engine/js_convert.h"
#include "model/model_v8/classes_v8.h"
#include "tools/platform_mac.h"
#include "tools/text_convert.h"

namespace qfjsbinding {

using v8::FunctionCallbackInfo;
using v8::Isolate;
using v8::Local;
using v8::String;
using v8::Value;

namespace fs = boost::filesystem;

namespace {

// Every reservation keeps a descriptor of the host's process open until the
// context is destroyed. A script calling GenerateTemp in a loop would
// otherwise take all the descriptors the host may have, after which the host
// could open no file at all, not even to save the user's work; beyond this
// many reservations per context the call fails as mkstemp does.
constexpr std::size_t kMaxReservations = 64;

bool ToText(const FunctionCallbackInfo<Value>& info, int index, std::string* out) {
    Isolate* isolate = info.GetIsolate();
    return js::ToUtf8(isolate, isolate->GetCurrentContext(), info[index], out);
}

// Reads the first `count` arguments as text; false when there are fewer (the
// result stays null) or a conversion threw.
template <std::size_t N>
bool TextArgs(const FunctionCallbackInfo<Value>& info, std::string (&out)[N]) {
    info.GetReturnValue().SetNull();
    if (info.Length() < static_cast<int>(N)) return false;
    for (std::size_t i = 0; i < N; ++i) {
        if (!ToText(info, static_cast<int>(i), &out[i])) return false;
    }
    return true;
}

void ReturnText(const FunctionCallbackInfo<Value>& info, const std::string& text) {
    Local<String> result;
    if (js::NewString(info.GetIsolate(), text, &result)) info.GetReturnValue().Set(result);
}

std::string UpperAscii(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return text;
}

// Lexical normalisation; ".." directly after the root names the root itself.
fs::path Normalised(const fs::path& path) {
    fs::path normal = path.lexically_normal();
    if (!normal.has_root_directory()) return normal;
    fs::path result = normal.root_path();
    bool leading = true;
    for (const fs::path& part : normal.relative_path()) {
        if (leading && part == "..") continue;
        leading = false;
        result /= part;
    }
    // A trailing separator shows as a final "." element; keep it that way.
    return result;
}

// Creates an empty file that must not exist yet. Exclusive creation keeps a
// name that another user guessed in the shared temporary directory (a
// planted file or symbolic link) from being taken over.
bool CreateNewFile(const std::string& path) {
    if (ContainsNul(path)) return false;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    ::close(fd);
    return true;
}

}  // namespace

void Path_GetSpecialPath(const FunctionCallbackInfo<Value>& info) {
    std::string args[1];
    if (!TextArgs(info, args)) return;
    const std::string name = UpperAscii(args[0]);
    std::string result;
    if (name == "DOCUMENT") {
        result = MacOS_PathForDirectory(kPlatformDocumentDirectory, kPlatformUserDomainMask);
    } else if (name == "DESKTOP") {
        result = MacOS_PathForDirectory(kPlatformDesktopDirectory, kPlatformUserDomainMask);
    } else if (name == "HOME") {
        result = MacOS_PathForHomeDirectory();
    } else if (name == "SOURCE") {
        const std::string& script = ContextOf(info.GetIsolate())->scriptFile;
        if (script.empty()) return;
        ReturnText(info, PathToSlashedString(PathFromU8String(script).parent_path()));
        return;
    } else {
        return;
    }
    if (!result.empty()) ReturnText(info, result);
}

void Path_GenerateTemp(const FunctionCallbackInfo<Value>& info) {
    std::string extension;
    if (info.Length() > 0 && !info[0]->IsUndefined() && !ToText(info, 0, &extension)) return;
    // An extension names no other directory and is one C string.
    if (extension.find('/') != std::string::npos || ContainsNul(extension)) {
        info.GetReturnValue().SetNull();
        return;
    }
    TJSFilterContext* context = ContextOf(info.GetIsolate());
    if (context->openFiles.size() >= kMaxReservations) return;

    // The reserving file keeps the unique name taken until the context goes.
    std::string reserved = "/tmp/jsfXXXXXX";
    const int fd = mkstemp(reserved.data());
    if (fd < 0) return;
    OwnedFile stream(fdopen(fd, "wb"));
    if (!stream) {
        ::close(fd);
        ::unlink(reserved.c_str());
        return;
    }
    context->openFiles.push_back(std::move(stream));
    context->tempFiles.push_back(PathFromU8String(reserved));

    info.GetReturnValue().SetNull();
    std::string name = reserved + ".tmp";
    if (!CreateNewFile(name)) return;
    context->tempFiles.push_back(PathFromU8String(name));
    if (!extension.empty()) {
        name += extension.front() == '.' ? extension : "." + extension;
        if (!CreateNewFile(name)) return;
        context->tempFiles.push_back(PathFromU8String(name));
    }
    ReturnText(info, SlashedString(name));
}

void Path_Combine(const FunctionCallbackInfo<Value>& info) {
    std::string args[2];
    if (!TextArgs(info, args)) return;
    const fs::path base = PathFromU8String(args[0]);
    const fs::path relative = PathFromU8String(args[1]);
    fs::path combined;
    if (relative.is_absolute()) {
        combined = relative;
    } else if (base.is_absolute()) {
        combined = base / relative;
    } else {
        // A relative base is taken against the current directory; when that
        // cannot be had the text is combined as it is.
        boost::system::error_code error;
        const fs::path current = fs::current_path(error);
        combined = error ? base / relative : current / base / relative;
    }
    std::string text = PathToSlashedString(Normalised(combined));
    if (text.size() >= 2 && text.compare(text.size() - 2, 2, "/.") == 0) {
        text.pop_back();
        if (text.size() > 1) text.pop_back();
    }
    ReturnText(info, text);
}

void Path_RemoveFileName(const FunctionCallbackInfo<Value>& info) {
    std::string args[1];
    if (!TextArgs(info, args)) return;
    ReturnText(info, PathToSlashedString(PathFromU8String(args[0]).remove_filename()));
}

void Path_RemoveExtension(const FunctionCallbackInfo<Value>& info) {
    std::string args[1];
    if (!TextArgs(info, args)) return;
    ReturnText(info, PathToSlashedString(PathFromU8String(args[0]).replace_extension()));
}

void Path_ReplaceExtension(const FunctionCallbackInfo<Value>& info) {
    std::string args[2];
    if (!TextArgs(info, args)) return;
    ReturnText(info, PathToSlashedString(PathFromU8String(args[0]).replace_extension(PathFromU8String(args[1]))));
}

void Path_FileNameOf(const FunctionCallbackInfo<Value>& info) {
    std::string args[1];
    if (!TextArgs(info, args)) return;
    const bool stemOnly = info.Length() > 1 && js::ToBool(info.GetIsolate(), info[1]);
    const fs::path path = PathFromU8String(args[0]);
    ReturnText(info, PathToU8String(stemOnly ? path.stem() : path.filename()));
}

void Path_ExtensionOf(const FunctionCallbackInfo<Value>& info) {
    std::string args[1];
    if (!TextArgs(info, args)) return;
    ReturnText(info, PathToU8String(PathFromU8String(args[0]).extension()));
}

Local<v8::FunctionTemplate> NewPathClass(Isolate* isolate) {
    static const MethodDef kMethods[] = {
        {"GetSpecialPath", Guarded<Path_GetSpecialPath>},
        {"GenerateTemp", Guarded<Path_GenerateTemp>},
        {"Combine", Guarded<Path_Combine>},
        {"RemoveFileName", Guarded<Path_RemoveFileName>},
        {"RemoveExtension", Guarded<Path_RemoveExtension>},
        {"ReplaceExtension", Guarded<Path_ReplaceExtension>},
        {"FileNameOf", Guarded<Path_FileNameOf>},
        {"ExtensionOf", Guarded<Path_ExtensionOf>},
    };
    return BuildClass(isolate, MakeMethodsOnlyClassDef("Path", 1, kMethods));
}

}  // namespace qfjsbinding
