#include "host/console/filter_request.h"

#include <picojson.h>

namespace qfconsole {

namespace {

FilterRunHost* Self(const void* hostData) { return static_cast<FilterRunHost*>(const_cast<void*>(hostData)); }

template <typename F>
std::string ProcText(F* proc) {
    return qfhost::PointerString(reinterpret_cast<const void*>(proc));
}

}  // namespace

FilterRunHost::FilterRunHost(const qfhost::Picture& source, std::function<void(const std::string&)> onMessage,
                             const std::atomic<bool>* hardStop)
    : sourceBitmap_(source.bitmap()), onMessage_(std::move(onMessage)), hardStop_(hardStop) {}

std::string FilterRunHost::BuildRequest(const std::string& inputPath, const std::string& scriptPath,
                                        const qfhost::Picture& source, const qfhost::Picture& target,
                                        const qfhost::Document& document) const {
    using picojson::value;
    picojson::object color;
    for (const char* channel : {"R", "G", "B", "A", "I"}) color[channel] = value(0.0);
    // The version 7 bitmap handle is this object: the bitmaps are made when
    // the script asks for them.
    picojson::object bitmap;
    bitmap["Handle"] = value(qfhost::PointerString(this));
    picojson::object sourceInfo;
    sourceInfo["Type"] = value("SINGLE");
    sourceInfo["Bitmap"] = value(bitmap);

    picojson::object request;
    request["FileName"] = value(inputPath);
    request["HostData"] = value(qfhost::PointerString(this));
    request["SourcePicture"] = value(sourceInfo);
    request["SourcePicturePtr"] = value(qfhost::Factory::HandleString(&source));
    request["TargetPicturePtr"] = value(qfhost::Factory::HandleString(&target));
    request["SelColor"] = value(color);
    request["ProgressProc"] = value(ProcText(&FilterRunHost::Progress));
    request["ShowMessage"] = value(ProcText(&FilterRunHost::ShowMessage));
    request["SetStatus"] = value(ProcText(&FilterRunHost::SetStatus));
    request["GetV7Bitmap"] = value(ProcText(&FilterRunHost::GetV7Bitmap));
    request["GetV7LayerData"] = value(ProcText(&FilterRunHost::GetV7LayerData));
    request["Document"] = value(qfhost::Factory::HandleString(&document));
    request["ScriptFile"] = value(scriptPath);
    request["V7ActiveLayerIndex"] = value(0.0);
    return value(request).serialize();
}

bool FilterRunHost::Progress(const void* hostData, int, int) {
    const FilterRunHost* self = Self(hostData);
    return !(self->hardStop_ && self->hardStop_->load());
}

void FilterRunHost::ShowMessage(const void* hostData, const char* text) {
    const FilterRunHost* self = Self(hostData);
    if (self->onMessage_) self->onMessage_(text ? text : "");
}

void FilterRunHost::SetStatus(const void*, const char*) {}

bool FilterRunHost::GetV7Bitmap(const void* hostData, const void* bitmapHandle, void** image, void** alpha) {
    FilterRunHost* self = Self(hostData);
    if (!self || bitmapHandle != self || !self->sourceBitmap_) return false;
    if (!self->fetched_) {
        if (!self->v7_.SetSinglePicture(*self->sourceBitmap_)) return false;
        self->fetched_ = true;
    }
    return qfhost::V7Host::GetV7Bitmap(&self->v7_, self->v7_.single_handle(), image, alpha);
}

bool FilterRunHost::GetV7LayerData(const void*, const void*, const char**, int*, int*, bool*, unsigned*, void**,
                                   void**) {
    // The source is a picture without layers: there are no layer handles.
    return false;
}

}  // namespace qfconsole
