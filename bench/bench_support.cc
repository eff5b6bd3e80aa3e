#include "bench/bench_support.h"

#include <cstdio>
#include <fstream>

#include <picojson.h>
#include <unistd.h>

namespace qfjs_bench {

const char* const kV8InvertScript = R"(
var bmp = SourcePicture.Bitmap;
var w = bmp.Width, h = bmp.Height;
for (var y = 0; y < h; y++) {
  for (var x = 0; x < w; x++) {
    bmp.SetPixel(x, y, 255 - bmp.GetPixelR(x, y), 255 - bmp.GetPixelG(x, y), 255 - bmp.GetPixelB(x, y));
  }
}
)";

const char* const kColorObjectInvertScript = R"(
var bmp = SourcePicture.Bitmap;
var w = bmp.Width, h = bmp.Height;
for (var y = 0; y < h; y++) {
  for (var x = 0; x < w; x++) {
    var c = bmp.GetPixel(x, y);
    c.R = 255 - c.R; c.G = 255 - c.G; c.B = 255 - c.B;
  }
}
)";

const char* const kV7InvertScript = R"(
var layer = Image.CreateOutLayer(0, 1000, 1000);
var w = layer.Width, h = layer.Height;
for (var y = 0; y < h; y++) {
  for (var x = 0; x < w; x++) {
    var p = layer.PixelAt(x, y);
    p.r = 255 - p.r; p.g = 255 - p.g; p.b = 255 - p.b;
  }
}
)";

const char* const kTypedArrayInvertScript = R"(
var data = new Uint8Array(1000 * 1000 * 3);
for (var i = 0; i < data.length; i++) data[i] = 255 - data[i];
)";

const char* const kV8BulkInvertScript = R"(
var bmp = SourcePicture.Bitmap;
var img = bmp.GetImageData();
var d = img.data;
for (var i = 0; i < d.length; i += 4) {
  d[i] = 255 - d[i]; d[i + 1] = 255 - d[i + 1]; d[i + 2] = 255 - d[i + 2];
}
bmp.PutImageData(img);
)";

const char* const kV7BulkInvertScript = R"(
var layer = Image.CreateOutLayer(0, 1000, 1000);
var img = layer.GetImageData();
var d = img.data;
for (var i = 0; i < d.length; i += 4) {
  d[i] = 255 - d[i]; d[i + 1] = 255 - d[i + 1]; d[i + 2] = 255 - d[i + 2];
}
layer.PutImageData(img);
)";

std::string MakeRequest(const void* source, const void* target, const void* showMessage) {
    picojson::object color;
    for (const char* c : {"R", "G", "B", "A", "I"}) color[c] = picojson::value(0.0);
    picojson::object request;
    request["FileName"] = picojson::value("bench.png");
    request["HostData"] = picojson::value("0");
    request["SourcePicture"] = picojson::value(picojson::object{});
    request["SourcePicturePtr"] = picojson::value(qfhost::PointerString(source));
    request["TargetPicturePtr"] = picojson::value(qfhost::PointerString(target));
    request["SelColor"] = picojson::value(color);
    for (const char* key : {"ProgressProc", "ShowMessage", "SetStatus", "GetV7Bitmap", "GetV7LayerData", "Document"}) {
        request[key] = picojson::value("0");
    }
    if (showMessage) request["ShowMessage"] = picojson::value(qfhost::PointerString(showMessage));
    return picojson::value(request).serialize();
}

bool RunIn(QFJS_HANDLE handle, const std::string& script, const std::string& request) {
    char* result = nullptr;
    const int status = QFJS_FilterExecute(handle, script.c_str(), request.c_str(), &result);
    bool ok = status == 0 && result && std::string(result).find("\"ScriptResult\":0") != std::string::npos;
    if (!ok) std::fprintf(stderr, "bench script failed: status %d %s\n", status, result ? result : "");
    QFJS_MemFree(result);
    return ok;
}

PictureContext::PictureContext() {
    bitmap_ = factory_.MakeBitmap(kSide, kSide, qfhost::PixelFormat::kRgb24);
    for (int y = 0; y < kSide; ++y) {
        for (int x = 0; x < kSide; ++x) {
            bitmap_->SetPixelColor(x, y, qfhost::Rgba{std::uint8_t(x), std::uint8_t(y), std::uint8_t(x + y), 255});
        }
    }
    qfhost::Picture* picture = factory_.NewSinglePicture(bitmap_);
    factory_.set_free_on_release(false);
    handle_ = QFJS_FilterCreateContext(&factory_);
    request_ = MakeRequest(picture, picture);
    RunIn(handle_, "SetVersion(8)", request_);
}

PictureContext::~PictureContext() {
    QFJS_FilterDestroyContext(handle_);
}

bool PictureContext::Run(const std::string& script) {
    return RunIn(handle_, script, request_);
}

std::size_t ResidentBytes() {
    std::ifstream statm("/proc/self/statm");
    std::size_t total = 0;
    std::size_t resident = 0;
    statm >> total >> resident;
    return resident * static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
}

}  // namespace qfjs_bench
