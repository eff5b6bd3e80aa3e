#include "tests/engine_stress/stress_host.h"

#include <fstream>
#include <sstream>

#include <picojson.h>

#include "tests/support/script_harness.h"

namespace qfjs_stress {

namespace {

template <typename F>
picojson::value Pointer(F* f) {
    return picojson::value(qfjs_test::PointerString(reinterpret_cast<const void*>(f)));
}

}  // namespace

StressHost::StressHost() {
    // An 8 x 8 layered picture with one bitmap layer, the same pixels as the
    // version 7 source.
    qfhost::Bitmap* pixels = factory_.MakeBitmap(8, 8, qfhost::PixelFormat::kRgba32);
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            pixels->SetPixelColor(x, y, qfhost::Rgba{static_cast<std::uint8_t>(x * 30),
                                                     static_cast<std::uint8_t>(y * 30), 7, 255});
        }
    }
    source_ = factory_.NewLayerPicture(8, 8);
    source_->AppendLayer(factory_.NewBitmapLayer("Layer", pixels));
    document_ = factory_.NewDocument("/pictures/stress.png");
    v7_.SetSinglePicture(*pixels);
}

std::string StressHost::RequestText(const std::string& param) const {
    qfjs_test::Request request(nullptr);
    request.SetPointer("HostData", this)
        .Set("SourcePicture", v7_.SourcePictureJson())
        .Set("SourcePicturePtr", picojson::value(qfhost::Factory::HandleString(source_)))
        .Set("Document", picojson::value(qfhost::Factory::HandleString(document_)))
        .Set("ProgressProc", Pointer(&StressHost::OnProgress))
        .Set("ShowMessage", Pointer(&StressHost::OnMessage))
        .Set("SetStatus", Pointer(&StressHost::OnStatus))
        .Set("GetV7Bitmap", Pointer(&StressHost::OnGetV7Bitmap))
        .Set("GetV7LayerData", Pointer(&StressHost::OnGetV7LayerData))
        .Set("Parameters", picojson::value(picojson::array{picojson::value(param)}));
    return request.Text();
}

std::string StressHost::last_message() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return lastMessage_;
}

bool StressHost::OnProgress(const void*, int, int) {
    return true;
}

void StressHost::OnMessage(const void* hostData, const char* text) {
    auto* self = static_cast<StressHost*>(const_cast<void*>(hostData));
    {
        std::lock_guard<std::mutex> lock(self->mutex_);
        self->lastMessage_ = text;
    }
    ++self->messageCount_;
}

void StressHost::OnStatus(const void*, const char*) {}

bool StressHost::OnGetV7Bitmap(const void* hostData, const void* handle, void** image, void** alpha) {
    const auto* self = static_cast<const StressHost*>(hostData);
    return qfhost::V7Host::GetV7Bitmap(&self->v7_, handle, image, alpha);
}

bool StressHost::OnGetV7LayerData(const void* hostData, const void* handle, const char** name, int* x, int* y,
                                  bool* hidden, unsigned* opacity, void** image, void** alpha) {
    const auto* self = static_cast<const StressHost*>(hostData);
    return qfhost::V7Host::GetV7LayerData(&self->v7_, handle, name, x, y, hidden, opacity, image, alpha);
}

std::size_t ResidentBytes() {
    // VmRSS in /proc/self/status, in kB.
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) != 0) continue;
        std::istringstream fields(line.substr(6));
        std::size_t kib = 0;
        fields >> kib;
        return kib * 1024;
    }
    return 0;
}

}  // namespace qfjs_stress
