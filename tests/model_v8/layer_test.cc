// The Layer class: accessors with their conversions, type words, the
// Bitmap member and the child methods with their argument rules.
#include <string>

#include "tests/model_v8/v8_fixture.h"

namespace qfjs_v8test {
namespace {

using qfhost::PixelFormat;

class LayerTest : public V8ModelTest {
protected:
    // Source picture: a folder "F" holding the bitmap layers "C0" and "C1",
    // then a bitmap layer "B" (2x2).
    void SetUp() override {
        picture_ = factory_.NewLayerPicture(4, 4);
        folder_ = factory_.NewFolderLayer("F");
        child0_ = factory_.NewBitmapLayer("C0", NewBitmap(2, 2, PixelFormat::kRgba32));
        child1_ = factory_.NewBitmapLayer("C1", NewBitmap(2, 2, PixelFormat::kRgba32));
        bitmap_ = NewBitmap(2, 2, PixelFormat::kRgba32);
        layer_ = factory_.NewBitmapLayer("B", bitmap_, 3, 4);
        ASSERT_TRUE(picture_->AppendLayer(folder_));
        ASSERT_TRUE(picture_->AppendLayer(layer_));
        ASSERT_TRUE(folder_->AppendChild(child0_));
        ASSERT_TRUE(folder_->AppendChild(child1_));
        SetSource(picture_);
    }
    static constexpr char kLayers[] =
        "const folder = SourcePicture.GetLayer(0), layer = SourcePicture.GetLayer(1);\n";

    qfhost::Picture* picture_ = nullptr;
    qfhost::Layer* folder_ = nullptr;
    qfhost::Layer* child0_ = nullptr;
    qfhost::Layer* child1_ = nullptr;
    qfhost::Layer* layer_ = nullptr;
    qfhost::Bitmap* bitmap_ = nullptr;
};

TEST_F(LayerTest, AccessorsReadTheHost) {
    Run(std::string(kLayers) + R"JS(
      probe('type', () => layer.Type);
      probe('bitmap', () => layer.Bitmap);
      probe('folder bitmap', () => folder.Bitmap);
      probe('name', () => layer.Name);
      probe('x', () => layer.X);
      probe('y', () => layer.Y);
      probe('opacity', () => layer.Opacity);
      probe('hidden', () => layer.Hidden);
      probe('child count', () => folder.ChildCount);
      probe('is folder', () => folder.IsFolder);
      probe('is bitmap', () => folder.IsBitmap);
    )JS");
    Check("type", "\"BITMAP\"", {At(layer_, "GetType()")});
    Check("bitmap", "[Bitmap]", {At(layer_, "GetBitmap()")});
    Check("folder bitmap", "null", {At(folder_, "GetBitmap()")});
    Check("name", "\"B\"", {At(layer_, "GetName()")});
    Check("x", "3", {At(layer_, "GetX()")});
    Check("y", "4", {At(layer_, "GetY()")});
    Check("opacity", "100", {At(layer_, "GetOpacity()")});
    Check("hidden", "false", {At(layer_, "GetHidden()")});
    Check("child count", "2", {At(folder_, "GetChildCount()")});
    Check("is folder", "true", {At(folder_, "GetType()")});
    Check("is bitmap", "false", {At(folder_, "GetType()")});
}

// Written values pass through converted but unchecked: the host clamps or
// refuses what it must.
TEST_F(LayerTest, AssignmentsConvertAndPassValuesThrough) {
    Run(std::string(kLayers) + R"JS(
      probe('opacity', () => { layer.Opacity = 300.7; });
      probe('x', () => { layer.X = -5; });
      probe('y', () => { layer.Y = '12'; });
      probe('hidden text', () => { layer.Hidden = 'no'; });
      probe('hidden empty', () => { layer.Hidden = ''; });
      probe('hidden object', () => { layer.Hidden = {}; });
      probe('name', () => { layer.Name = 42; });
      probe('name cut at NUL', () => { folder.Name = 'Top\0secret'; });
      probe('type', () => { layer.Type = 'folder'; });
      probe('is folder now', () => layer.IsFolder);
      probe('unknown type word', () => { folder.Type = 'group\u00e9'; });
    )JS");
    Check("opacity", "undefined", {At(layer_, "SetOpacity(300)")});
    Check("x", "undefined", {At(layer_, "SetX(-5)")});
    Check("y", "undefined", {At(layer_, "SetY(12)")});
    Check("hidden text", "undefined", {At(layer_, "SetHidden(true)")});
    Check("hidden empty", "undefined", {At(layer_, "SetHidden(false)")});
    Check("hidden object", "undefined", {At(layer_, "SetHidden(true)")});
    Check("name", "undefined", {At(layer_, "SetName(\"42\")")});
    Check("name cut at NUL", "undefined", {At(folder_, "SetName(\"Top\")")});
    Check("type", "undefined", {At(layer_, "SetType(\"FOLDER\")")});
    Check("is folder now", "true", {At(layer_, "GetType()")});
    Check("unknown type word", "undefined", {At(folder_, "SetType(\"GROUP\xc3\xa9\")")});
    EXPECT_EQ(layer_->x(), -5);
    EXPECT_EQ(layer_->y(), 12);
    EXPECT_EQ(layer_->opacity(), 100);  // the host clamps
    EXPECT_TRUE(layer_->hidden());
    EXPECT_EQ(folder_->name(), "Top");
    EXPECT_TRUE(layer_->is_folder());
}

TEST_F(LayerTest, BitmapMemberTakesOnlyBitmapWrappers) {
    qfhost::Bitmap* other = NewBitmap(3, 3, PixelFormat::kRgb24);
    SetTarget(factory_.NewSinglePicture(other));
    Run(std::string(kLayers) + R"JS(
      const other = ResultPicture.Bitmap;
      probe('plain', () => { layer.Bitmap = {}; });
      probe('layer', () => { layer.Bitmap = folder; });
      probe('undefined', () => { layer.Bitmap = undefined; });
      probe('class named Bitmap', () => { layer.Bitmap = new (class Bitmap {})(); });
      probe('bitmap', () => { layer.Bitmap = other; });
    )JS");
    for (const char* refused : {"plain", "layer", "undefined", "class named Bitmap"}) Check(refused, "undefined", {});
    Check("bitmap", "undefined", {At(layer_, "SetBitmap(" + L(other) + ")")});
    EXPECT_EQ(layer_->bitmap(), other);
}

TEST_F(LayerTest, ChildMethodsConvertIndicesAndCheckLayerArguments) {
    qfhost::Layer* loose = factory_.NewBitmapLayer("loose", NewBitmap(2, 2, PixelFormat::kRgba32));
    qfhost::Picture* holder = factory_.NewLayerPicture(2, 2);
    ASSERT_TRUE(holder->AppendLayer(loose));
    SetTarget(holder);
    Run(std::string(kLayers) + R"JS(
      const loose = ResultPicture.GetLayer(0);
      probe('get none', () => folder.GetChild());
      probe('get fraction', () => folder.GetChild(1.9).Name);
      probe('get string', () => folder.GetChild('0'));
      probe('get refused', () => folder.GetChild(-1));
      probe('identity', () => folder.GetChild(0) === folder.GetChild(0));
      probe('equal', () => folder.GetChild(0).Equals(folder.GetChild(0)));
      probe('remove none', () => folder.RemoveChild());
      probe('insert one argument', () => folder.InsertChild(0));
      probe('insert picture', () => folder.InsertChild(0, SourcePicture));
      probe('insert null', () => folder.InsertChild(0, null));
      probe('add plain', () => folder.AddChild({}));
      probe('add none', () => folder.AddChild());
      probe('add', () => folder.AddChild(loose));
      probe('insert', () => folder.InsertChild('1', layer, 'ignored'));
      probe('insert into itself', () => folder.InsertChild(0, folder));
      probe('into a bitmap layer', () => layer.AddChild(loose));
      probe('remove', () => folder.RemoveChild(0));
      probe('count', () => folder.ChildCount);
    )JS");
    Check("get none", "null", {});
    Check("get fraction", "\"C1\"", {At(folder_, "GetChild(1)"), At(child1_, "GetName()")});
    Check("get string", "[Layer]", {At(folder_, "GetChild(0)")});
    Check("get refused", "null", {At(folder_, "GetChild(-1)")});
    EXPECT_EQ(Value("identity"), "false");
    Check("equal", "true", {At(folder_, "GetChild(0)"), At(folder_, "GetChild(0)"),
                            At(child0_, "Equals(" + L(child0_) + ")")});
    Check("remove none", "false", {});
    Check("insert one argument", "false", {});
    Check("insert picture", "false", {});
    Check("insert null", "throws TypeError: Cannot convert undefined or null to object", {});
    Check("add plain", "false", {});
    Check("add none", "false", {});
    Check("add", "true", {At(folder_, "AddChild(" + L(loose) + ")")});
    Check("insert", "true", {At(folder_, "InsertChild(1," + L(layer_) + ")")});
    Check("insert into itself", "false", {At(folder_, "InsertChild(0," + L(folder_) + ")")});
    Check("into a bitmap layer", "false", {At(layer_, "AddChild(" + L(loose) + ")")});
    Check("remove", "true", {At(folder_, "RemoveChild(0)")});
    Check("count", "3", {At(folder_, "GetChildCount()")});
    ASSERT_EQ(folder_->children().size(), 3u);
    EXPECT_EQ(folder_->children()[0], layer_);
    EXPECT_EQ(folder_->children()[1], child1_);
    EXPECT_EQ(folder_->children()[2], loose);
}

}  // namespace
}  // namespace qfjs_v8test
