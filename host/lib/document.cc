#include "host/lib/document.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace qfhost {

namespace {

// JSON has no NaN or infinity; such a colour channel is written as null.
picojson::value Number(double v) {
    return std::isfinite(v) ? picojson::value(v) : picojson::value();
}

}  // namespace

Document* AsDocument(IQFDocument* document) {
    return dynamic_cast<Document*>(document);
}

Document::Document(ObjectKey, Factory& factory, int id, std::string filePath)
    : core_(factory, "Document", id), file_path_(std::move(filePath)) {}

void Document::ReservedObject0() {
    core_.Log("ReservedObject0");
}

bool Document::Equals(IQFObject* other) {
    core_.Log("Equals", static_cast<const IQFObject*>(other));
    if (!other) return false;
    const Document* o = dynamic_cast<const Document*>(other);
    return o && (o == this || SameContent(*o));
}

std::string Document::Jsonize() {
    core_.Log("Jsonize");
    return ToJson().serialize();
}

std::string Document::GetFilePath() {
    core_.Log("GetFilePath");
    return file_path_;
}

void Document::ReservedDocument0() {
    core_.Log("ReservedDocument0");
}

void Document::ReservedDocument1() {
    core_.Log("ReservedDocument1");
}

bool Document::IsSelected(int x, int y) {
    core_.Log("IsSelected", x, y);
    return Selected(x, y);
}

void Document::GetCurrentColor(double& red, double& green, double& blue, double& alpha, int& index) {
    core_.Log("GetCurrentColor");
    red = color_.r;
    green = color_.g;
    blue = color_.b;
    alpha = color_.a;
    index = color_.index;
}

void Document::Select(int left, int top, int width, int height) {
    has_selection_ = true;
    selection_ = SelectionRect{left, top, std::max(width, 0), std::max(height, 0)};
}

bool Document::Selected(int x, int y) const {
    if (!has_selection_) return true;
    const std::int64_t right = static_cast<std::int64_t>(selection_.left) + selection_.width;
    const std::int64_t bottom = static_cast<std::int64_t>(selection_.top) + selection_.height;
    return x >= selection_.left && x < right && y >= selection_.top && y < bottom;
}

bool Document::SameContent(const Document& other) const {
    if (file_path_ != other.file_path_ || has_selection_ != other.has_selection_) return false;
    if (has_selection_ &&
        (selection_.left != other.selection_.left || selection_.top != other.selection_.top ||
         selection_.width != other.selection_.width || selection_.height != other.selection_.height)) {
        return false;
    }
    return color_.r == other.color_.r && color_.g == other.color_.g && color_.b == other.color_.b &&
           color_.a == other.color_.a && color_.index == other.color_.index;
}

picojson::value Document::ToJson() const {
    picojson::object o;
    o["Type"] = picojson::value("Document");
    o["FilePath"] = picojson::value(file_path_);
    if (has_selection_) {
        picojson::object s;
        s["Left"] = picojson::value(static_cast<std::int64_t>(selection_.left));
        s["Top"] = picojson::value(static_cast<std::int64_t>(selection_.top));
        s["Width"] = picojson::value(static_cast<std::int64_t>(selection_.width));
        s["Height"] = picojson::value(static_cast<std::int64_t>(selection_.height));
        o["Selection"] = picojson::value(s);
    } else {
        o["Selection"] = picojson::value();
    }
    picojson::object c;
    c["R"] = Number(color_.r);
    c["G"] = Number(color_.g);
    c["B"] = Number(color_.b);
    c["A"] = Number(color_.a);
    c["I"] = picojson::value(static_cast<std::int64_t>(color_.index));
    o["CurrentColor"] = picojson::value(c);
    return picojson::value(o);
}

}  // namespace qfhost
