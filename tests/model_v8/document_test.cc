// The Document global: file path with forward slashes, the current colour
// read afresh on every access, and selection tests.
#include <string>
#include <utility>
#include <vector>

#include "tests/model_v8/v8_fixture.h"

namespace qfjs_v8test {
namespace {

class DocumentTest : public V8ModelTest {
protected:
    void SetUp() override {
        document_ = factory_.NewDocument("");
        SetDocument(document_);
    }
    qfhost::Document* document_ = nullptr;
};

// Every backslash byte becomes a slash; nothing else changes (no case
// change, doubled separators stay doubled).
TEST_F(DocumentTest, FilePathReadsWithForwardSlashesOnly) {
    const std::vector<std::pair<std::string, std::string>> paths = {
        {"C:\\pictures\\cat.png", "C:/pictures/cat.png"},
        {"/home/user/Cat.PNG", "/home/user/Cat.PNG"},
        {"", ""},
        {"a\\\\b\\", "a//b/"},
        {"\\\\server\\share\\x.png", "//server/share/x.png"},
        {"d\xc3\xa9j\xc3\xa0\\vu.png", "d\xc3\xa9j\xc3\xa0/vu.png"},
    };
    std::string script;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        const std::string name = "path " + std::to_string(i);
        hooks_[name] = [this, path = paths[i].first] { document_->set_file_path(path); };
        script += "hook(" + Js(name) + "); probe(" + Js(name) + ", () => Document.FilePath);\n";
    }
    Run(script);
    for (std::size_t i = 0; i < paths.size(); ++i) {
        Check("path " + std::to_string(i), Js(paths[i].second), {At(document_, "GetFilePath()")});
    }
}

TEST_F(DocumentTest, CurrentColorIsReadFromTheHostOnEveryAccess) {
    document_->set_current_color(qfhost::DocumentColor{1, 0.5, 0, 1, 3});
    Run(R"JS(
      probe('first', () => { const c = Document.CurrentColor; return [c.R, c.G, c.B, c.A, c.I].join(); });
      probe('second', () => Document.CurrentColor.I);
    )JS");
    Check("first", "\"1,0.5,0,1,3\"", {At(document_, "GetCurrentColor()")});
    Check("second", "3", {At(document_, "GetCurrentColor()")});
}

// Fewer than two arguments give null (not false) without a host call;
// otherwise the point goes to the host as two Int32 values.
TEST_F(DocumentTest, IsSelectedNeedsTwoArguments) {
    document_->Select(5, 5, 10, 10);
    Run(R"JS(
      probe('no argument', () => Document.IsSelected());
      probe('one argument', () => Document.IsSelected(10));
      probe('fractions truncated', () => Document.IsSelected(10.7, 20.9));
      probe('inside', () => Document.IsSelected(6, 7));
      probe('strings and extra', () => Document.IsSelected('14', '14.99', 'ignored'));
      probe('wrapped', () => Document.IsSelected(2 ** 32 + 6, -(2 ** 32) + 7));
      probe('NaN', () => Document.IsSelected(NaN, 6));
    )JS");
    Check("no argument", "null", {});
    Check("one argument", "null", {});
    Check("fractions truncated", "false", {At(document_, "IsSelected(10,20)")});
    Check("inside", "true", {At(document_, "IsSelected(6,7)")});
    Check("strings and extra", "true", {At(document_, "IsSelected(14,14)")});
    Check("wrapped", "true", {At(document_, "IsSelected(6,7)")});
    Check("NaN", "false", {At(document_, "IsSelected(0,6)")});
}

}  // namespace
}  // namespace qfjs_v8test
