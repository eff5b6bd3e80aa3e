// Reading the macro description: what a usable description turns into, and
// a clear message naming the problem for every unusable one.
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <picojson.h>

#include "console_test_support.h"
#include "host/console/batch_description.h"

namespace qfconsole {
namespace {

picojson::value Json(const std::string& text) {
    picojson::value value;
    const std::string error = picojson::parse(value, text);
    EXPECT_EQ(error, "") << text;
    return value;
}

std::string Problem(const std::string& text, BatchDescription* d = nullptr) {
    BatchDescription ignored;
    return ParseBatchDescription(Json(text), "/base", d ? d : &ignored);
}

TEST(BatchDescriptionTest, RelativePathsResolveAgainstTheBasePath) {
    BatchDescription d;
    ASSERT_EQ(Problem(R"({"InputType":"FOLDER","InputFolder":"photos/./2024/","OutputType":"FOLDER",
        "OutputFolder":"../out","ExecuteType":"ACTIONS","ActionFile":"f/invert.js","SaveLog":true,
        "LogFile":"logs/batch.log"})",
                      &d),
              "");
    EXPECT_EQ(d.inputType, InputType::kFolder);
    EXPECT_EQ(d.inputFolder, "/base/photos/2024");
    EXPECT_EQ(d.outputFolder, "/out");
    EXPECT_EQ(d.executeType, ExecuteType::kActions);
    EXPECT_EQ(d.actionFile, "/base/f/invert.js");
    EXPECT_EQ(d.logFile, "/base/logs/batch.log");
    EXPECT_FALSE(d.searchSubfolder);

    BatchDescription list;
    ASSERT_EQ(Problem(R"({"InputType":"LIST","ListFile":"/abs/list.txt"})", &list), "");
    EXPECT_EQ(list.listFile, "/abs/list.txt");
}

TEST(BatchDescriptionTest, AbsentMembersTakeQfmacrosDefaults) {
    BatchDescription d;
    ASSERT_EQ(Problem(R"({"InputType":"FILE","InputFile":"a.png"})", &d), "");
    EXPECT_EQ(d.outputType, OutputType::kSource);
    EXPECT_EQ(d.executeType, ExecuteType::kConvert);
    EXPECT_TRUE(d.skipIfExists);
    EXPECT_FALSE(d.processIfUpdated);
    EXPECT_FALSE(d.retainTimeStamp);
    EXPECT_EQ(d.logFile, "");  // SaveLog absent: no log even with a LogFile
    EXPECT_EQ(d.loadOptions, "");
    EXPECT_EQ(d.saveOptions, "");
}

// A description may carry both members (qfmacro sets one and leaves the
// other as the user's file had it): every named file is processed once.
TEST(BatchDescriptionTest, InputFileAndInputFilesTogetherNameEveryFileOnce) {
    BatchDescription d;
    ASSERT_EQ(Problem(R"({"InputType":"FILE","InputFile":"c.png","InputFiles":["a.png","/base/c.png","b.png",""]})",
                      &d),
              "");
    EXPECT_EQ(d.inputFiles, (std::vector<std::string>{"/base/c.png", "/base/a.png", "/base/b.png"}));
}

TEST(BatchDescriptionTest, OptionListsBecomeTheReaderAndWriterOptions) {
    BatchDescription d;
    ASSERT_EQ(Problem(R"({"InputType":"FILE","InputFile":"a.png",
        "LoadOptions":[{"Key":"IndexColor","Value":false}],
        "SaveOptions":[{"Key":"Compression","Value":9},{"Key":"Alpha","Value":false},{"Key":"Other","Value":"kept"}]})",
                      &d),
              "");
    EXPECT_EQ(d.loadOptions, R"({"IndexColor":false})");
    EXPECT_EQ(d.saveOptions, R"({"Alpha":false,"Compression":9,"Other":"kept"})");
}

TEST(BatchDescriptionTest, SubPathPrefixPostfixAndPngFormatNames) {
    for (const char* format : {"png", "PNG", ".png", "Png", ""}) {
        BatchDescription d;
        const std::string text = std::string(R"({"InputType":"FILE","InputFile":"a.png","OutputType":"SOURCE",
            "UseOutputFolderSubPath":true,"OutputFolderSubPath":"done/./x/","OutputFilePrefix":"p-",
            "OutputFilePostfix":"-q","SelectedLoadableFormat":")") +
                                 format + R"(","SelectedSavableFormat":")" + format + R"("})";
        ASSERT_EQ(Problem(text, &d), "") << format;
        EXPECT_EQ(d.outputSubPath, "done/x");
        EXPECT_EQ(d.prefix, "p-");
        EXPECT_EQ(d.postfix, "-q");
    }
    BatchDescription unused;
    ASSERT_EQ(Problem(R"({"InputType":"FILE","InputFile":"a.png","UseOutputFolderSubPath":false,
        "OutputFolderSubPath":"ignored"})",
                      &unused),
              "");
    EXPECT_EQ(unused.outputSubPath, "");
}

struct BrokenCase {
    const char* name;
    const char* json;
    const char* expected;  // a part of the message
};

class BrokenDescriptionTest : public testing::TestWithParam<BrokenCase> {};

TEST_P(BrokenDescriptionTest, IsRefusedWithAClearMessage) {
    const std::string problem = Problem(GetParam().json);
    EXPECT_NE(problem.find(GetParam().expected), std::string::npos) << problem;
}

const BrokenCase kBroken[] = {
    {"not_an_object", R"(["FILE"])", "not a JSON object"},
    {"no_input", R"({})", "names no input"},
    {"drop", R"({"InputType":"DROP"})", "DROP"},
    {"unknown_input", R"({"InputType":"CAMERA"})", "unknown InputType \"CAMERA\""},
    {"file_without_files", R"({"InputType":"FILE","InputFiles":[]})", "names no file"},
    {"folder_without_folder", R"({"InputType":"FOLDER"})", "no \"InputFolder\""},
    {"list_without_file", R"({"InputType":"LIST","ListFile":""})", "no \"ListFile\""},
    {"serial_without_file", R"({"InputType":"SERIAL"})", "no \"InputSerial\""},
    {"input_files_not_texts", R"({"InputType":"FILE","InputFiles":["a.png",3]})", "\"InputFiles\" must be a list"},
    {"folder_not_text", R"({"InputType":"FOLDER","InputFolder":7})", "\"InputFolder\" must be a text"},
    {"recursive_not_bool", R"({"InputType":"FOLDER","InputFolder":"x","SearchSubfolder":"yes"})",
     "\"SearchSubfolder\" must be true or false"},
    {"unknown_output", R"({"InputType":"FILE","InputFile":"a","OutputType":"PRINTER"})", "unknown OutputType"},
    {"folder_output_without_folder", R"({"InputType":"FILE","InputFile":"a","OutputType":"FOLDER"})",
     "no \"OutputFolder\""},
    {"file_output_without_file", R"({"InputType":"FILE","InputFile":"a","OutputType":"FILE"})", "no \"OutputFile\""},
    {"absolute_sub_path",
     R"({"InputType":"FILE","InputFile":"a","UseOutputFolderSubPath":true,"OutputFolderSubPath":"/etc"})",
     "must be a relative path"},
    {"prefix_with_slash", R"({"InputType":"FILE","InputFile":"a","OutputFilePrefix":"x/"})", "cannot contain"},
    {"jpeg_input", R"({"InputType":"FILE","InputFile":"a","SelectedLoadableFormat":"JPEG"})",
     "unsupported input format \"JPEG\""},
    {"tiff_output", R"({"InputType":"FILE","InputFile":"a","SelectedSavableFormat":"tiff"})",
     "unsupported output format \"tiff\""},
    {"save_option_of_wrong_type",
     R"({"InputType":"FILE","InputFile":"a","SaveOptions":[{"Key":"Alpha","Value":"yes"}]})",
     "does not accept the save options"},
    {"load_option_of_wrong_type",
     R"({"InputType":"FILE","InputFile":"a","LoadOptions":[{"Key":"IndexColor","Value":1}]})",
     "does not accept the load options"},
    {"option_entry_without_key", R"({"InputType":"FILE","InputFile":"a","SaveOptions":[{"Value":1}]})",
     "\"SaveOptions\" must be a list"},
    {"unknown_execute", R"({"InputType":"FILE","InputFile":"a","ExecuteType":"PRINT"})", "unknown ExecuteType"},
    {"actions_without_file", R"({"InputType":"FILE","InputFile":"a","ExecuteType":"ACTIONS","ActionFile":""})",
     "no \"ActionFile\""},
    {"log_without_file", R"({"InputType":"FILE","InputFile":"a","SaveLog":true})", "\"LogFile\" names no file"},
    {"skip_not_bool", R"({"InputType":"FILE","InputFile":"a","SkipIfExists":1})", "\"SkipIfExists\" must be true"},
    {"not_a_batch", R"({"Type":"MOVIE","InputType":"FILE","InputFile":"a"})", "is not a batch"},
};

INSTANTIATE_TEST_SUITE_P(Cases, BrokenDescriptionTest, testing::ValuesIn(kBroken),
                         [](const testing::TestParamInfo<BrokenCase>& info) { return info.param.name; });

TEST(BatchDescriptionFileTest, ReadsAFileWithAByteOrderMarkAndReportsUnreadableOnes) {
    qfconsole_test::ScratchTree tree;
    const std::string good =
        tree.WriteText("good.json", "\xEF\xBB\xBF{\"InputType\":\"FOLDER\",\"InputFolder\":\"in\"}");
    BatchDescription d;
    EXPECT_EQ(ReadBatchDescription(good, tree.root(), &d), "");
    EXPECT_EQ(d.inputFolder, tree.Path("in"));

    const std::string missing = ReadBatchDescription(tree.Path("missing.json"), tree.root(), &d);
    EXPECT_NE(missing.find("cannot open the macro description"), std::string::npos) << missing;
    const std::string broken = ReadBatchDescription(tree.WriteText("broken.json", "{\"InputType\":"), tree.root(), &d);
    EXPECT_NE(broken.find("is not valid JSON"), std::string::npos) << broken;
    const std::string wrong =
        ReadBatchDescription(tree.WriteText("wrong.json", "{\"InputType\":\"DROP\"}"), tree.root(), &d);
    EXPECT_NE(wrong.find(tree.Path("wrong.json")), std::string::npos) << wrong;
}

}  // namespace
}  // namespace qfconsole
