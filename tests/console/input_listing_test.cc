// Listing the input files: folders with and without subfolders, list files
// and numbered series.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "console_test_support.h"
#include "host/console/input_listing.h"

namespace qfconsole {
namespace {

using qfconsole_test::ScratchTree;

qfhost::Rgba Grey(int, int) { return qfhost::Rgba{128, 128, 128, 255}; }

// The listed paths relative to the tree, with each one's relative folder.
std::vector<std::string> Relative(const ScratchTree& tree, const std::vector<InputFile>& inputs) {
    std::vector<std::string> names;
    for (const InputFile& input : inputs) {
        std::string name = input.path.substr(tree.root().size() + 1);
        if (!input.relativeFolder.empty()) name += " [" + input.relativeFolder + "]";
        names.push_back(name);
    }
    return names;
}

class FolderListingTest : public testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"in/b.png", "in/a.PNG", "in/sub/c.png", "in/sub/deeper/d.png", "in/out/old.png",
                                 "in/sub/done/e.png", "in/done/f.png"}) {
            tree_.WritePng(name, 1, 1, Grey);
        }
        tree_.WriteText("in/notes.txt", "not a picture");
        tree_.WriteText("in/sub/picture.jpg", "not ours");
    }
    ScratchTree tree_;
};

TEST_F(FolderListingTest, TopFolderOnlyWithoutSubfolders) {
    std::vector<InputFile> inputs;
    ASSERT_EQ(ListFolder(tree_.Path("in"), false, "", "", &inputs), "");
    EXPECT_EQ(Relative(tree_, inputs), (std::vector<std::string>{"in/a.PNG", "in/b.png"}));
}

TEST_F(FolderListingTest, SubfoldersKeepTheirRelativeFolder) {
    std::vector<InputFile> inputs;
    ASSERT_EQ(ListFolder(tree_.Path("in") + "/", true, "", "", &inputs), "");
    EXPECT_EQ(Relative(tree_, inputs),
              (std::vector<std::string>{"in/a.PNG", "in/b.png", "in/done/f.png [done]", "in/out/old.png [out]",
                                        "in/sub/c.png [sub]", "in/sub/deeper/d.png [sub/deeper]",
                                        "in/sub/done/e.png [sub/done]"}));
}

// A batch that writes into the folder tree it reads must not take its own
// outputs of an earlier run as inputs.
TEST_F(FolderListingTest, OutputFoldersInsideTheInputTreeAreLeftOut) {
    std::vector<InputFile> inputs;
    ASSERT_EQ(ListFolder(tree_.Path("in"), true, tree_.Path("in/out/"), "", &inputs), "");
    EXPECT_EQ(Relative(tree_, inputs).size(), 6u);
    for (const InputFile& input : inputs) EXPECT_EQ(input.path.find("/out/"), std::string::npos) << input.path;

    // Outputs beside each source in its sub-folder "done".
    inputs.clear();
    ASSERT_EQ(ListFolder(tree_.Path("in"), true, "", "done", &inputs), "");
    EXPECT_EQ(Relative(tree_, inputs),
              (std::vector<std::string>{"in/a.PNG", "in/b.png", "in/out/old.png [out]", "in/sub/c.png [sub]",
                                        "in/sub/deeper/d.png [sub/deeper]"}));
}

TEST_F(FolderListingTest, AMissingFolderIsAnError) {
    std::vector<InputFile> inputs;
    const std::string problem = ListFolder(tree_.Path("nothing"), true, "", "", &inputs);
    EXPECT_NE(problem.find("does not exist"), std::string::npos) << problem;
    EXPECT_NE(ListFolder(tree_.Path("in/b.png"), true, "", "", &inputs), "");
}

TEST(ListFileTest, ReadsPathsRelativeToTheListsFolder) {
    ScratchTree tree;
    const std::string list = tree.WriteText(
        "lists/batch.txt", "\xEF\xBB\xBF" "a.png\r\n\n   sub/b.png  \r\n" + tree.Path("abs.png") + "\n\t\n../up.png\na.png");
    std::vector<InputFile> inputs;
    ASSERT_EQ(ReadListFile(list, &inputs), "");
    std::vector<std::string> paths;
    for (const InputFile& input : inputs) paths.push_back(input.path);
    // ListInputs drops the repeated a.png; the reader keeps every line.
    EXPECT_EQ(paths, (std::vector<std::string>{tree.Path("lists/a.png"), tree.Path("lists/sub/b.png"),
                                               tree.Path("abs.png"), tree.Path("up.png"), tree.Path("lists/a.png")}));

    BatchDescription d;
    d.inputType = InputType::kList;
    d.listFile = list;
    inputs.clear();
    ASSERT_EQ(ListInputs(d, &inputs), "");
    EXPECT_EQ(inputs.size(), 4u);

    d.listFile = tree.Path("lists/missing.txt");
    EXPECT_NE(ListInputs(d, &inputs).find("cannot open the list file"), std::string::npos);
}

struct SerialCase {
    const char* name;
    const char* first;
    std::vector<std::string> expected;
};

class SerialListingTest : public testing::TestWithParam<SerialCase> {};

TEST_P(SerialListingTest, TakesTheFollowingNumbersOfTheSameName) {
    ScratchTree tree;
    for (const char* name : {"shot6.png", "shot7.png", "shot8.png", "shot10.png", "shot12.png", "shot007.png",
                             "shot9.jpg", "shot8b.png", "xshot9.png", "scan_001.png", "scan_002.png", "scan_2.png",
                             "scan_0010.png", "scan_010.png", "take2_v3.png", "take2_v4.png", "take3_v3.png"}) {
        tree.WriteText("s/" + std::string(name), "");
    }
    std::vector<InputFile> inputs;
    ASSERT_EQ(ListSerial(tree.Path("s/") + GetParam().first, &inputs), "");
    std::vector<std::string> names;
    for (const InputFile& input : inputs) names.push_back(input.path.substr(tree.Path("s/").size()));
    EXPECT_EQ(names, GetParam().expected);
}

const SerialCase kSerial[] = {
    {"unpadded_numbers_in_numeric_order", "shot7.png", {"shot7.png", "shot8.png", "shot10.png", "shot12.png"}},
    {"padded_numbers_keep_their_width", "scan_001.png", {"scan_001.png", "scan_002.png", "scan_010.png"}},
    {"the_last_number_of_the_name_counts", "take2_v3.png", {"take2_v3.png", "take2_v4.png"}},
};

INSTANTIATE_TEST_SUITE_P(Cases, SerialListingTest, testing::ValuesIn(kSerial),
                         [](const testing::TestParamInfo<SerialCase>& info) { return info.param.name; });

TEST(SerialListingErrorTest, NeedsAnExistingFirstFileWithANumber) {
    ScratchTree tree;
    tree.WriteText("plain.png", "");
    std::vector<InputFile> inputs;
    EXPECT_NE(ListSerial(tree.Path("plain.png"), &inputs).find("has no number"), std::string::npos);
    EXPECT_NE(ListSerial(tree.Path("shot1.png"), &inputs).find("does not exist"), std::string::npos);
    EXPECT_TRUE(inputs.empty());
}

}  // namespace
}  // namespace qfconsole
