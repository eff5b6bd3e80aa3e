#include "host/runner/console_host.h"

#include <cstring>

#include <picojson.h>

namespace qfjs_runner {

namespace {

template <typename F>
std::string ProcText(F* proc) {
    return qfhost::PointerString(reinterpret_cast<const void*>(proc));
}

ConsoleHost* Self(const void* hostData) { return static_cast<ConsoleHost*>(const_cast<void*>(hostData)); }

}  // namespace

void ConsoleHost::WriteLine(std::FILE* stream, const char* text) const {
    progress_.BeforeText(stream == err_);
    std::fwrite(text, 1, std::strlen(text), stream);
    std::fputc('\n', stream);
    // Interleave with the other stream in the order the script wrote.
    std::fflush(stream);
}

void ConsoleHost::Note(const std::string& text) const { WriteLine(err_, text.c_str()); }

bool ConsoleHost::Progress(const void* hostData, int done, int total) {
    Self(hostData)->progress_.Report(done, total);
    return true;
}

void ConsoleHost::ShowMessage(const void* hostData, const char* text) {
    const ConsoleHost* self = Self(hostData);
    self->WriteLine(self->out_, text ? text : "");
}

void ConsoleHost::SetStatus(const void* hostData, const char* text) {
    const ConsoleHost* self = Self(hostData);
    self->WriteLine(self->err_, text ? text : "");
}

bool ConsoleHost::GetV7Bitmap(const void* hostData, const void* bitmapHandle, void** image, void** alpha) {
    return Self(hostData)->v7_.FetchBitmap(bitmapHandle, image, alpha);
}

bool ConsoleHost::GetV7LayerData(const void* hostData, const void* layerHandle, const char** name, int* x, int* y,
                                 bool* hidden, unsigned* opacity, void** image, void** alpha) {
    return Self(hostData)->v7_.FetchLayer(layerHandle, name, x, y, hidden, opacity, image, alpha);
}

std::string ConsoleHost::BuildRequest(const RunnerOptions& options, const std::string& absoluteScriptPath,
                                      const RequestObjects& objects) const {
    using picojson::value;
    picojson::object color;
    color["R"] = value(options.color.r);
    color["G"] = value(options.color.g);
    color["B"] = value(options.color.b);
    color["A"] = value(options.color.a);
    color["I"] = value(static_cast<double>(options.color.index));
    picojson::array parameters;
    for (const std::string& p : options.parameters) parameters.emplace_back(p);

    picojson::object request;
    request["FileName"] = value(objects.fileName);
    request["HostData"] = value(qfhost::PointerString(this));
    v7_.AddToRequest(&request);
    request["SourcePicturePtr"] = value(qfhost::Factory::HandleString(objects.source));
    request["TargetPicturePtr"] = value(qfhost::Factory::HandleString(objects.target));
    request["SelColor"] = value(color);
    if (options.selection) {
        picojson::object selection;
        selection["Left"] = value(static_cast<double>(options.selection->left));
        selection["Top"] = value(static_cast<double>(options.selection->top));
        selection["Width"] = value(static_cast<double>(options.selection->width));
        selection["Height"] = value(static_cast<double>(options.selection->height));
        request["Selection"] = value(selection);
    }
    request["Parameters"] = value(parameters);
    request["ProgressProc"] = value(ProcText(&ConsoleHost::Progress));
    request["ShowMessage"] = value(ProcText(&ConsoleHost::ShowMessage));
    request["SetStatus"] = value(ProcText(&ConsoleHost::SetStatus));
    request["GetV7Bitmap"] = value(ProcText(&ConsoleHost::GetV7Bitmap));
    request["GetV7LayerData"] = value(ProcText(&ConsoleHost::GetV7LayerData));
    request["Document"] = value(qfhost::Factory::HandleString(objects.document));
    request["ScriptFile"] = value(absoluteScriptPath);
    return value(request).serialize();
}

}  // namespace qfjs_runner
