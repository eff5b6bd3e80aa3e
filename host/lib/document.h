// The document a filter runs in (IQFDocument): its file path, an optional
// rectangular selection and the current drawing colour.
#ifndef QFHOST_DOCUMENT_H
#define QFHOST_DOCUMENT_H

#include <string>

#include <picojson.h>

#include "host/lib/object_core.h"
#include "qfjs/qf_interfaces.h"

namespace qfhost {

// Left and top inclusive, width and height >= 0.
struct SelectionRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

// Channels 0..255 like bitmaps; the palette index of the colour.
struct DocumentColor {
    double r = 0;
    double g = 0;
    double b = 0;
    double a = 255;
    int index = 0;
};

class Document final : public IQFDocument {
public:
    Document(ObjectKey, Factory& factory, int id, std::string filePath);
    ~Document() = default;
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;

    // IQFObject
    void ReservedObject0() override;
    bool Equals(IQFObject* other) override;
    std::string Jsonize() override;

    // IQFDocument
    std::string GetFilePath() override;
    void ReservedDocument0() override;
    void ReservedDocument1() override;
    // Without a selection every point is selected (the whole document is
    // what a filter works on); with one, left <= x < left + width and
    // top <= y < top + height.
    bool IsSelected(int x, int y) override;
    void GetCurrentColor(double& red, double& green, double& blue, double& alpha, int& index) override;

    // C++ side, never recorded in the call log.
    const ObjectCore& core() const { return core_; }
    Factory& factory() const { return core_.factory(); }
    int id() const { return core_.id(); }

    const std::string& file_path() const { return file_path_; }
    void set_file_path(std::string path) { file_path_ = std::move(path); }
    bool has_selection() const { return has_selection_; }
    const SelectionRect& selection() const { return selection_; }
    // Negative sizes count as 0 (an empty selection: nothing is selected).
    void Select(int left, int top, int width, int height);
    void ClearSelection() { has_selection_ = false; }
    bool Selected(int x, int y) const;
    const DocumentColor& current_color() const { return color_; }
    void set_current_color(const DocumentColor& color) { color_ = color; }

    // Same path, selection and colour.
    bool SameContent(const Document& other) const;
    picojson::value ToJson() const;

private:
    ObjectCore core_;
    std::string file_path_;
    bool has_selection_ = false;
    SelectionRect selection_;
    DocumentColor color_;
};

// Our own document behind an interface pointer, or null.
Document* AsDocument(IQFDocument* document);

}  // namespace qfhost

#endif
