#include "host/runner/console_host.h"

#include <cstdint>
#include <cstring>

#include <picojson.h>

namespace qfjs_runner {

namespace {

// Requests carry pointers as unsigned decimal texts.
std::string PointerText(const void* p) {
    return std::to_string(reinterpret_cast<std::uintptr_t>(p));
}

template <typename F>
std::string ProcText(F* proc) {
    return PointerText(reinterpret_cast<const void*>(proc));
}

const ConsoleHost* Self(const void* hostData) {
    return static_cast<const ConsoleHost*>(hostData);
}

void WriteLine(std::FILE* stream, const char* text) {
    std::fwrite(text, 1, std::strlen(text), stream);
    std::fputc('\n', stream);
    // Interleave with the other stream in the order the script wrote.
    std::fflush(stream);
}

}  // namespace

bool ConsoleHost::Progress(const void*, int, int) {
    // There is nobody to cancel a console run from a progress dialog; Ctrl-C
    // terminates the script instead.
    return true;
}

void ConsoleHost::ShowMessage(const void* hostData, const char* text) {
    WriteLine(Self(hostData)->out_, text);
}

void ConsoleHost::SetStatus(const void* hostData, const char* text) {
    WriteLine(Self(hostData)->err_, text);
}

std::string ConsoleHost::BuildRequest(const RunnerOptions& options, const std::string& absoluteScriptPath) const {
    picojson::object color;
    for (const char* channel : {"R", "G", "B", "A", "I"}) color[channel] = picojson::value(0.0);
    picojson::array parameters;
    for (const std::string& p : options.parameters) parameters.emplace_back(p);

    picojson::object request;
    request["FileName"] = picojson::value("");
    request["HostData"] = picojson::value(PointerText(this));
    request["SourcePicture"] = picojson::value(picojson::object{});
    request["SourcePicturePtr"] = picojson::value("0");
    request["TargetPicturePtr"] = picojson::value("0");
    request["SelColor"] = picojson::value(color);
    request["Parameters"] = picojson::value(parameters);
    request["ProgressProc"] = picojson::value(ProcText(&ConsoleHost::Progress));
    request["ShowMessage"] = picojson::value(ProcText(&ConsoleHost::ShowMessage));
    request["SetStatus"] = picojson::value(ProcText(&ConsoleHost::SetStatus));
    request["GetV7Bitmap"] = picojson::value("0");
    request["GetV7LayerData"] = picojson::value("0");
    request["Document"] = picojson::value("0");
    request["ScriptFile"] = picojson::value(absoluteScriptPath);
    return picojson::value(request).serialize();
}

}  // namespace qfjs_runner
