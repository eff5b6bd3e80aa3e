// Scripts that call every member of both generations in random order with
// hostile arguments (wrong classes, spoofed constructors, throwing
// conversions, Symbols, NaN, +-2^31, huge sizes, borrowed methods), run
// through QFJS_FilterExecute against the reference host. The process must
// survive every script, the call must come back (a watchdog stops runaway
// scripts as a host would), the result must be well-formed, and the host's
// own version 7 bitmaps must be intact afterwards.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <boost/filesystem/operations.hpp>
#include <picojson.h>

#include "host/lib/qfhost.h"
#include "tests/fuzz/fuzz_support.h"
#include "tests/fuzz/script_generator.h"

namespace {

using qfhost::PixelFormat;

// Files the scripts may read: a small picture and a small text, in a private
// folder made when the fuzzer starts.
struct Fixtures {
    Fixtures() {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/qfjs-script-fuzz-XXXXXX";
        if (!mkdtemp(pattern.data())) std::abort();
        folder = pattern;
        paths.png = folder + "/fixture.png";
        paths.text = folder + "/fixture.txt";
        qfhost::Factory factory;
        qfhost::Bitmap* bitmap = factory.MakeBitmap(5, 3, PixelFormat::kRgba32);
        bitmap->SetPixelColor(1, 1, qfhost::Rgba{10, 20, 30, 128});
        if (!factory.WritePicture(factory.NewSinglePicture(bitmap), paths.png)) std::abort();
        std::FILE* text = std::fopen(paths.text.c_str(), "wb");
        if (!text) std::abort();
        std::fputs("\xEF\xBB\xBFline one\r\nline two\r\n", text);
        std::fclose(text);
    }
    ~Fixtures() {
        boost::system::error_code ignored;
        boost::filesystem::remove_all(folder, ignored);
    }
    std::string folder;
    qfjs_fuzz::FixturePaths paths;
};

// The host of one run: the reference host's factory with a layered source
// picture, an animation as target and a document; a version 7 source; and
// the request's callbacks.
struct Host {
    explicit Host(unsigned variant) {
        factory.set_memory_budget(std::uint64_t{64} << 20);
        qfhost::Bitmap* rgba = factory.MakeBitmap(16, 12, PixelFormat::kRgba32);
        qfhost::Bitmap* index = factory.MakeBitmap(7, 9, PixelFormat::kIndex8, 16);
        index->ChangeAlpha(true);
        for (int y = 0; y < 12; ++y) {
            for (int x = 0; x < 16; ++x) {
                rgba->SetPixelColor(x, y, qfhost::Rgba{static_cast<std::uint8_t>(x * 16),
                                                       static_cast<std::uint8_t>(y * 20), 99,
                                                       static_cast<std::uint8_t>(255 - x)});
            }
        }
        source = factory.NewLayerPicture(20, 20);
        qfhost::Layer* folder = factory.NewFolderLayer("Folder");
        folder->AppendChild(factory.NewBitmapLayer("Index", index, 2, 3));
        source->AppendLayer(folder);
        source->AppendLayer(factory.NewBitmapLayer("Top", rgba, -4, 5));
        target = factory.NewAnimationPicture(8, 8);
        target->AppendFrame(factory.MakeBitmap(8, 8, PixelFormat::kRgb24));
        target->AppendFrame(index->Copy());
        document = factory.NewDocument("/pictures/fuzz.png");
        if (variant & 1) document->Select(1, 2, 5, 6);

        if (variant & 2) {
            v7.AddLayer(qfhost::V7LayerInfo{"Back", 0, 0, false, 100}, *rgba);
            v7.AddLayer(qfhost::V7LayerInfo{"Index", 3, -2, true, 40}, *index);
        } else {
            v7.SetSinglePicture(variant & 4 ? *index : *rgba);
        }
    }

    std::string RequestText() const {
        auto pointer = [](const void* p) { return picojson::value(qfhost::PointerString(p)); };
        picojson::object color;
        for (const char* c : {"R", "G", "B", "A", "I"}) color[c] = picojson::value(3.0);
        picojson::object request;
        request["FileName"] = picojson::value("fuzz.png");
        request["HostData"] = pointer(this);
        request["SourcePicture"] = v7.SourcePictureJson();
        if (v7.layer_count() > 0) request["V7Layers"] = v7.V7LayersJson();
        request["SourcePicturePtr"] = pointer(source);
        request["TargetPicturePtr"] = pointer(target);
        request["SelColor"] = picojson::value(color);
        picojson::object selection;
        selection["Left"] = picojson::value(1.0);
        selection["Top"] = picojson::value(1.0);
        selection["Width"] = picojson::value(4.0);
        selection["Height"] = picojson::value(3.0);
        request["Selection"] = picojson::value(selection);
        request["Parameters"] = picojson::value(picojson::array{picojson::value("a"), picojson::value(2.0)});
        request["ProgressProc"] = pointer(reinterpret_cast<const void*>(&Host::Progress));
        request["ShowMessage"] = pointer(reinterpret_cast<const void*>(&Host::Message));
        request["SetStatus"] = pointer(reinterpret_cast<const void*>(&Host::Message));
        request["GetV7Bitmap"] = pointer(reinterpret_cast<const void*>(&Host::GetV7Bitmap));
        request["GetV7LayerData"] = pointer(reinterpret_cast<const void*>(&Host::GetV7LayerData));
        request["Document"] = pointer(document);
        request["V7ActiveLayerIndex"] = picojson::value(1.0);
        return picojson::value(request).serialize();
    }

    static bool Progress(const void* hostData, int, int) { return Self(hostData)->calls++ % 2 == 0; }
    static void Message(const void* hostData, const char* text) {
        Host* self = Self(hostData);
        self->calls++;
        self->printed += std::string(text).size();
    }
    static bool GetV7Bitmap(const void* hostData, const void* handle, void** image, void** alpha) {
        return qfhost::V7Host::GetV7Bitmap(&Self(hostData)->v7, handle, image, alpha);
    }
    static bool GetV7LayerData(const void* hostData, const void* handle, const char** name, int* x, int* y,
                               bool* hidden, unsigned* opacity, void** image, void** alpha) {
        return qfhost::V7Host::GetV7LayerData(&Self(hostData)->v7, handle, name, x, y, hidden, opacity, image,
                                              alpha);
    }
    static Host* Self(const void* hostData) { return static_cast<Host*>(const_cast<void*>(hostData)); }

    // Declared before the factory: the context is destroyed first, then the
    // factory's objects, then the version 7 bitmaps.
    qfhost::V7Host v7;
    qfhost::Factory factory;
    qfhost::Picture* source = nullptr;
    qfhost::Picture* target = nullptr;
    qfhost::Document* document = nullptr;
    unsigned calls = 0;
    std::size_t printed = 0;
};

[[noreturn]] void Fail(const char* what, const std::string& detail) {
    std::fprintf(stderr, "script fuzzer: %s\n%s\n", what, detail.c_str());
    std::abort();
}

// Reads what the run handed back, as a host would.
void CheckResult(Host& host, const char* text, QFJS_HANDLE) {
    picojson::value result;
    if (!picojson::parse(result, text).empty() || !result.is<picojson::object>()) Fail("result is not a JSON object", text);
    const picojson::value& code = result.get("ScriptResult");
    const picojson::value& message = result.get("ErrorMessage");
    if (!code.is<double>() || !message.is<std::string>()) Fail("result lacks its members", text);
    if (message.get<std::string>().find(qfjs_fuzz::kPreludeFailure) != std::string::npos) {
        Fail("the prelude could not remove a member that touches files or processes", text);
    }
    const int status = static_cast<int>(code.get<double>());
    if (status != 0 && status != -1 && status != 1103 && status != 1104 && status != 1105) {
        Fail("unexpected script result", text);
    }
    if (status != 0) return;
    if (result.contains("V8ResultPicture")) {
        const picojson::value& address = result.get("V8ResultPicture");
        const void* pointer = nullptr;
        if (!address.is<std::string>() || !qfhost::ParsePointerString(address.get<std::string>(), &pointer)) {
            Fail("V8ResultPicture is not a pointer string", text);
        }
        // Only pictures of this factory may be reported.
        if (pointer && !host.factory.GetPicture(pointer)) Fail("V8ResultPicture is no picture of the host", text);
        if (qfhost::Picture* picture = qfhost::AsPicture(host.factory.GetPicture(pointer))) {
            qfhost::FlattenPicture(*picture);
        }
    } else {
        std::vector<qfhost::V7LayerView> layers;
        if (!qfhost::ParseV7ResultLayers(result, &layers)) Fail("V7ResultLayers is malformed", text);
        qfhost::CompositeV7Layers(layers, 24, 24);
    }
}

// How the runs ended, printed when the fuzzer exits: a fuzzer that spends
// its time in stopped runs needs shorter loops.
struct RunCounts {
    ~RunCounts() {
        std::fprintf(stderr, "script fuzzer: %lu runs, %lu stopped by the watchdog, %.1f s in runs\n", runs, stopped,
                     milliseconds / 1000.0);
    }
    unsigned long runs = 0;
    unsigned long stopped = 0;
    double milliseconds = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Fixtures* fixtures = new Fixtures();
    static qfjs_fuzz::Watchdog* watchdog = new qfjs_fuzz::Watchdog();
    static RunCounts counts;
    qfjs_fuzz::StartEngine();

    qfjs_fuzz::ByteReader reader(data, size);
    Host host(reader.Next(8));
    const std::string script = qfjs_fuzz::GenerateScript(reader, fixtures->paths);
    qfjs_fuzz::ShowInput("script", script);

    const QFJS_HANDLE context = QFJS_FilterCreateContext(&host.factory);
    if (context == 0) Fail("no context", "");
    char* result = nullptr;
    const auto started = std::chrono::steady_clock::now();
    watchdog->Arm(context, std::chrono::milliseconds(2000));
    const int status = QFJS_FilterExecute(context, script.c_str(), host.RequestText().c_str(), &result);
    watchdog->Disarm();
    counts.runs++;
    counts.stopped += watchdog->fired();
    counts.milliseconds +=
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();
    if (status != 0 || !result) Fail("QFJS_FilterExecute failed", std::to_string(status));
    CheckResult(host, result, context);
    QFJS_MemFree(result);
    QFJS_FilterDestroyContext(context);
    // Scripts change the pixels of the host's version 7 bitmaps, never their
    // headers or anything around them.
    if (!host.v7.BlocksIntact()) Fail("a version 7 bitmap of the host was damaged", script);
    return 0;
}
