// QFJS_FilterExecute with any request text. The request decides every field
// of the context (pointers included); the script reads everything a request
// sets without calling back into the host, since the callbacks a request
// names are the host's promise to keep, not the library's to check.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include <picojson.h>

#include "host/lib/qfhost.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

// Touches what the request stored: parameters, file name, layer list, the
// selection and selection colour (through a new version 7 layer), and the
// pictures and document the factory finds (or does not) behind the handles.
const char kScript[] = R"(
var seen = [];
for (var i = 0; i < 258; i++) seen.push(UserParam[i]);
seen.push(Image.FileName, Image.LayerCount, Image.ActiveLayer, Image.HostName);
var out = Image.CreateOutLayer(1, 5, 4, true, true);
if (out) {
    seen.push(out.SelectX, out.SelectY, out.SelectWidth, out.SelectHeight, out.IsSelected(2, 2));
    var c = out.ActiveColor;
    seen.push(c.r, c.g, c.b, c.a, c.i);
}
seen.push(SourcePicture.Type, ResultPicture.Type, Document.FilePath, Document.IsSelected(1, 1));
seen.push(System.ExecutingScript);
Result = seen.length > 0 ? 0 : 1;
)";

struct Fixture {
    Fixture() {
        qfjs_fuzz::StartEngine();
        source = factory.NewLayerPicture(6, 6);
        source->AppendLayer(factory.NewBitmapLayer("L", factory.MakeBitmap(6, 6, qfhost::PixelFormat::kRgb24)));
        document = factory.NewDocument("/pictures/request.png");
        factory.set_free_on_release(false);
    }
    qfhost::Factory factory;
    qfhost::Picture* source = nullptr;
    qfhost::Document* document = nullptr;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Fixture* fixture = new Fixture();
    static qfjs_fuzz::Watchdog* watchdog = new qfjs_fuzz::Watchdog();

    std::string request(reinterpret_cast<const char*>(data), size);
    // The factory's own objects are findable by their handles: a fuzzer that
    // writes "@S" or "@D" gets the real picture or document.
    for (const auto& [mark, value] : {std::pair<std::string, std::string>{"@S", qfhost::Factory::HandleString(fixture->source)},
                                      {"@D", qfhost::Factory::HandleString(fixture->document)}}) {
        for (std::size_t at = request.find(mark); at != std::string::npos; at = request.find(mark, at + value.size())) {
            request.replace(at, mark.size(), value);
        }
    }
    qfjs_fuzz::ShowInput("request", request);

    const QFJS_HANDLE context = QFJS_FilterCreateContext(&fixture->factory);
    if (context == 0) std::abort();
    char* result = nullptr;
    watchdog->Arm(context, std::chrono::milliseconds(2000));
    const int status = QFJS_FilterExecute(context, kScript, request.c_str(), &result);
    watchdog->Disarm();

    // Statuses 0 and 2 come with a JSON text; the others without one.
    const bool withText = status == 0 || status == 2;
    if (withText != (result != nullptr)) std::abort();
    if (result) {
        picojson::value parsed;
        if (!picojson::parse(parsed, result).empty() || !parsed.is<picojson::object>()) std::abort();
        if (status == 0) {
            const picojson::value& code = parsed.get("ScriptResult");
            if (!code.is<double>()) std::abort();
            // The script itself cannot fail: only an exhausted heap or the
            // watchdog may end it otherwise.
            const double value = code.get<double>();
            if (value != 0 && value != -1 && value != 1105 && value != 1104) {
                std::fprintf(stderr, "unexpected result %s\n", result);
                std::abort();
            }
        }
        QFJS_MemFree(result);
    }
    QFJS_FilterDestroyContext(context);
    return 0;
}
