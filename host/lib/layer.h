// One node of a picture's layer tree (IQFLayer): a "BITMAP" layer showing
// one bitmap or a "FOLDER" holding child layers, with a name, a position, an
// opacity (0..100) and a hidden flag.
//
// A layer has at most one place: the top level of one picture or the
// children of one folder. Inserting it somewhere else moves it there.
// Child index 0 is the bottom-most child; later children are drawn on top.
#ifndef QFHOST_LAYER_H
#define QFHOST_LAYER_H

#include <string>
#include <vector>

#include <picojson.h>

#include "host/lib/object_core.h"
#include "qfjs/qf_interfaces.h"

namespace qfhost {

class Bitmap;
class Picture;

enum class LayerType { kBitmap, kFolder };

// Folders nest at most this many levels (a top-level layer is level 1), so
// that no script can build a tree whose drawing, copying or description
// runs out of stack or memory. Insertions that would go deeper are refused.
constexpr int kMaxLayerDepth = 32;

class Layer final : public IQFLayer {
public:
    Layer(ObjectKey, Factory& factory, int id);
    ~Layer() = default;
    Layer(const Layer&) = delete;
    Layer& operator=(const Layer&) = delete;

    // IQFObject
    void ReservedObject0() override;
    bool Equals(IQFObject* other) override;
    std::string Jsonize() override;

    // IQFLayer
    std::string GetType() override;
    void SetType(const std::string& type) override;
    IQFBitmap* GetBitmap() override;
    void SetBitmap(IQFBitmap* bitmap) override;
    std::string GetName() override;
    void SetName(const std::string& name) override;
    int GetX() override;
    void SetX(int x) override;
    int GetY() override;
    void SetY(int y) override;
    int GetOpacity() override;
    void SetOpacity(int opacity) override;
    bool GetHidden() override;
    void SetHidden(bool hidden) override;
    int GetChildCount() override;
    IQFLayer* GetChild(int index) override;
    bool RemoveChild(int index) override;
    bool InsertChild(int index, IQFLayer* layer) override;
    bool AddChild(IQFLayer* layer) override;

    // C++ side, never recorded in the call log.
    const ObjectCore& core() const { return core_; }
    Factory& factory() const { return core_.factory(); }
    int id() const { return core_.id(); }

    LayerType type() const { return type_; }
    bool is_folder() const { return type_ == LayerType::kFolder; }
    // "FOLDER" is refused (false) for nothing; "BITMAP" is refused while the
    // folder still has children.
    bool ChangeType(LayerType type);
    Bitmap* bitmap() const { return bitmap_; }
    // False (nothing changed) for a bitmap of another factory.
    bool AssignBitmap(Bitmap* bitmap);
    const std::string& name() const { return name_; }
    void set_name(std::string name) { name_ = std::move(name); }
    int x() const { return x_; }
    int y() const { return y_; }
    void set_position(int x, int y) {
        x_ = x;
        y_ = y;
    }
    int opacity() const { return opacity_; }
    // Clamped to 0..100.
    void set_opacity(int opacity);
    bool hidden() const { return hidden_; }
    void set_hidden(bool hidden) { hidden_ = hidden; }

    const std::vector<Layer*>& children() const { return children_; }
    // The folder holding this layer (null at the top level or detached).
    Layer* parent() const { return parent_; }
    // The picture whose tree holds this layer (through its folders), or null.
    Picture* OwningPicture() const;
    // True when `other` is this layer or one of its ancestors.
    bool IsSelfOrAncestor(const Layer* other) const;
    // Levels from the root of this layer's tree down to it (1 at the top).
    int Depth() const;
    // Levels of the subtree this layer heads (1 without children).
    int Height() const;

    // Tree editing without recording: the rules of InsertChild / RemoveChild
    // (no cycles, folders only, kMaxLayerDepth).
    bool InsertChildAt(int index, Layer* layer);
    bool AppendChild(Layer* layer);
    bool RemoveChildAt(int index);
    // Takes the layer out of its folder or picture, if it is in one.
    void Detach();

    // Same type, name, position, opacity, hidden flag, bitmap content and
    // (recursively) children.
    bool SameContent(const Layer& other) const;
    // A deep copy (bitmap and children copied), detached.
    Layer* Copy() const;
    picojson::value ToJson() const;

private:
    friend class Picture;

    ObjectCore core_;
    LayerType type_ = LayerType::kBitmap;
    std::string name_;
    int x_ = 0;
    int y_ = 0;
    int opacity_ = 100;
    bool hidden_ = false;
    Bitmap* bitmap_ = nullptr;
    std::vector<Layer*> children_;
    Layer* parent_ = nullptr;
    Picture* picture_ = nullptr;  // set for top-level layers only
};

// Our own layer behind an interface pointer, or null.
Layer* AsLayer(IQFLayer* layer);

// Inserts `layer` into `list` so that it ends up at `index`. When the layer
// already sits in this same list the valid indices are 0..size-1, otherwise
// 0..size. Refuses (false) a null layer and a bad index; the caller has
// checked ownership and cycles. Takes the layer out of its old place.
bool InsertIntoLayerList(std::vector<Layer*>& list, int index, Layer* layer);

}  // namespace qfhost

#endif
