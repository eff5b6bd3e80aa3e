#include "host/lib/layer.h"

#include <algorithm>
#include <new>

#include "host/lib/bitmap.h"
#include "host/lib/factory.h"
#include "host/lib/picture.h"

namespace qfhost {

Layer* AsLayer(IQFLayer* layer) {
    return dynamic_cast<Layer*>(layer);
}

bool InsertIntoLayerList(std::vector<Layer*>& list, int index, Layer* layer) {
    if (!layer) return false;
    const bool alreadyHere = std::find(list.begin(), list.end(), layer) != list.end();
    const int limit = static_cast<int>(list.size()) - (alreadyHere ? 1 : 0);
    if (index < 0 || index > limit) return false;
    // Reserve first, so that a failed allocation leaves the layer where it was.
    list.reserve(list.size() + 1);
    layer->Detach();
    list.insert(list.begin() + index, layer);
    return true;
}

Layer::Layer(ObjectKey, Factory& factory, int id) : core_(factory, "Layer", id) {}

// ---------------------------------------------------------------------------
// Interface operations.

void Layer::ReservedObject0() {
    core_.Log("ReservedObject0");
}

bool Layer::Equals(IQFObject* other) {
    core_.Log("Equals", static_cast<const IQFObject*>(other));
    if (!other) return false;
    const Layer* o = dynamic_cast<const Layer*>(other);
    return o && (o == this || SameContent(*o));
}

std::string Layer::Jsonize() {
    core_.Log("Jsonize");
    return ToJson().serialize();
}

std::string Layer::GetType() {
    core_.Log("GetType");
    return is_folder() ? "FOLDER" : "BITMAP";
}

void Layer::SetType(const std::string& type) {
    core_.Log("SetType", type);
    if (type == "FOLDER") {
        ChangeType(LayerType::kFolder);
    } else if (type == "BITMAP") {
        ChangeType(LayerType::kBitmap);
    }
}

IQFBitmap* Layer::GetBitmap() {
    core_.Log("GetBitmap");
    return bitmap_;
}

void Layer::SetBitmap(IQFBitmap* bitmap) {
    core_.Log("SetBitmap", static_cast<const IQFObject*>(bitmap));
    if (bitmap && !AsBitmap(bitmap)) return;
    AssignBitmap(AsBitmap(bitmap));
}

std::string Layer::GetName() {
    core_.Log("GetName");
    return name_;
}

void Layer::SetName(const std::string& name) {
    core_.Log("SetName", name);
    name_ = name;
}

int Layer::GetX() {
    core_.Log("GetX");
    return x_;
}

void Layer::SetX(int x) {
    core_.Log("SetX", x);
    x_ = x;
}

int Layer::GetY() {
    core_.Log("GetY");
    return y_;
}

void Layer::SetY(int y) {
    core_.Log("SetY", y);
    y_ = y;
}

int Layer::GetOpacity() {
    core_.Log("GetOpacity");
    return opacity_;
}

void Layer::SetOpacity(int opacity) {
    core_.Log("SetOpacity", opacity);
    set_opacity(opacity);
}

bool Layer::GetHidden() {
    core_.Log("GetHidden");
    return hidden_;
}

void Layer::SetHidden(bool hidden) {
    core_.Log("SetHidden", hidden);
    hidden_ = hidden;
}

int Layer::GetChildCount() {
    core_.Log("GetChildCount");
    return static_cast<int>(children_.size());
}

IQFLayer* Layer::GetChild(int index) {
    core_.Log("GetChild", index);
    if (index < 0 || index >= static_cast<int>(children_.size())) return nullptr;
    return children_[static_cast<std::size_t>(index)];
}

bool Layer::RemoveChild(int index) {
    core_.Log("RemoveChild", index);
    return RemoveChildAt(index);
}

bool Layer::InsertChild(int index, IQFLayer* layer) {
    core_.Log("InsertChild", index, static_cast<const IQFObject*>(layer));
    return InsertChildAt(index, AsLayer(layer));
}

bool Layer::AddChild(IQFLayer* layer) {
    core_.Log("AddChild", static_cast<const IQFObject*>(layer));
    return AppendChild(AsLayer(layer));
}

// ---------------------------------------------------------------------------
// Internal helpers.

bool Layer::ChangeType(LayerType type) {
    if (type == LayerType::kBitmap && !children_.empty()) return false;
    type_ = type;
    return true;
}

bool Layer::AssignBitmap(Bitmap* bitmap) {
    // A bitmap of another factory could be freed under us when that factory
    // is released.
    if (bitmap && &bitmap->factory() != &factory()) return false;
    bitmap_ = bitmap;
    return true;
}

void Layer::set_opacity(int opacity) {
    opacity_ = std::clamp(opacity, 0, 100);
}

Picture* Layer::OwningPicture() const {
    const Layer* root = this;
    while (root->parent_) root = root->parent_;
    return root->picture_;
}

bool Layer::IsSelfOrAncestor(const Layer* other) const {
    for (const Layer* l = this; l; l = l->parent_) {
        if (l == other) return true;
    }
    return false;
}

int Layer::Depth() const {
    int depth = 0;
    for (const Layer* l = this; l; l = l->parent_) ++depth;
    return depth;
}

int Layer::Height() const {
    int height = 0;
    for (const Layer* child : children_) height = std::max(height, child->Height());
    return height + 1;
}

bool Layer::InsertChildAt(int index, Layer* layer) {
    if (!layer || !is_folder() || &layer->factory() != &factory()) return false;
    // A folder cannot hold itself or one of its ancestors.
    if (IsSelfOrAncestor(layer)) return false;
    if (Depth() + layer->Height() > kMaxLayerDepth) return false;
    try {
        if (!InsertIntoLayerList(children_, index, layer)) return false;
    } catch (const std::bad_alloc&) {
        return false;
    }
    layer->parent_ = this;
    layer->picture_ = nullptr;
    return true;
}

bool Layer::AppendChild(Layer* layer) {
    if (!layer) return false;
    const bool alreadyHere = layer->parent_ == this;
    return InsertChildAt(static_cast<int>(children_.size()) - (alreadyHere ? 1 : 0), layer);
}

bool Layer::RemoveChildAt(int index) {
    if (index < 0 || index >= static_cast<int>(children_.size())) return false;
    children_[static_cast<std::size_t>(index)]->Detach();
    return true;
}

void Layer::Detach() {
    if (parent_) {
        auto& siblings = parent_->children_;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
    } else if (picture_) {
        picture_->ForgetLayer(this);
    }
    parent_ = nullptr;
    picture_ = nullptr;
}

bool Layer::SameContent(const Layer& other) const {
    if (type_ != other.type_ || name_ != other.name_ || x_ != other.x_ || y_ != other.y_ ||
        opacity_ != other.opacity_ || hidden_ != other.hidden_ ||
        children_.size() != other.children_.size()) {
        return false;
    }
    if ((bitmap_ == nullptr) != (other.bitmap_ == nullptr)) return false;
    if (bitmap_ && bitmap_ != other.bitmap_ && !bitmap_->SameContent(*other.bitmap_)) return false;
    for (std::size_t i = 0; i < children_.size(); ++i) {
        if (!children_[i]->SameContent(*other.children_[i])) return false;
    }
    return true;
}

Layer* Layer::Copy() const {
    Layer* copy = factory().MakeLayer();
    if (!copy) return nullptr;
    copy->type_ = type_;
    copy->name_ = name_;
    copy->x_ = x_;
    copy->y_ = y_;
    copy->opacity_ = opacity_;
    copy->hidden_ = hidden_;
    if (bitmap_) {
        copy->bitmap_ = bitmap_->Copy();
        if (!copy->bitmap_) return nullptr;
    }
    for (const Layer* child : children_) {
        Layer* c = child->Copy();
        if (!c) return nullptr;
        copy->children_.push_back(c);
        c->parent_ = copy;
    }
    return copy;
}

picojson::value Layer::ToJson() const {
    picojson::object o;
    o["Type"] = picojson::value("Layer");
    o["LayerType"] = picojson::value(is_folder() ? "FOLDER" : "BITMAP");
    o["Name"] = picojson::value(name_);
    o["X"] = picojson::value(static_cast<std::int64_t>(x_));
    o["Y"] = picojson::value(static_cast<std::int64_t>(y_));
    o["Opacity"] = picojson::value(static_cast<std::int64_t>(opacity_));
    o["Hidden"] = picojson::value(hidden_);
    o["Bitmap"] = bitmap_ ? bitmap_->ToJson() : picojson::value();
    picojson::array children;
    for (const Layer* child : children_) children.push_back(child->ToJson());
    o["Children"] = picojson::value(children);
    return picojson::value(o);
}

}  // namespace qfhost
