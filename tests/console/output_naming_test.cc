// Output names and places, clashing outputs, and the skip rule.
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "console_test_support.h"
#include "host/console/output_naming.h"
#include "host/console/skip_rule.h"

namespace qfconsole {
namespace {

struct NamingCase {
    const char* name;
    OutputType type;
    const char* subPath;
    const char* prefix;
    const char* postfix;
    InputFile input;
    const char* expected;
};

class OutputNamingTest : public testing::TestWithParam<NamingCase> {};

TEST_P(OutputNamingTest, BuildsThePath) {
    BatchDescription d;
    d.outputType = GetParam().type;
    d.outputFolder = "/out";
    d.outputFile = "/exact/result.any";
    d.outputSubPath = GetParam().subPath;
    d.prefix = GetParam().prefix;
    d.postfix = GetParam().postfix;
    EXPECT_EQ(OutputPathFor(d, GetParam().input), GetParam().expected);
}

const NamingCase kNaming[] = {
    {"source_replaces_the_extension", OutputType::kSource, "", "", "", {"/in/photo.v1.jpeg", ""}, "/in/photo.v1.png"},
    {"source_with_prefix_and_postfix", OutputType::kSource, "", "small_", "-v2", {"/in/a.PNG", ""},
     "/in/small_a-v2.png"},
    {"source_into_its_sub_folder", OutputType::kSource, "done", "", "_x", {"/in/deep/a.png", "deep"},
     "/in/deep/done/a_x.png"},
    {"folder_flat", OutputType::kFolder, "", "", "", {"/elsewhere/a.png", ""}, "/out/a.png"},
    {"folder_keeps_the_searched_tree", OutputType::kFolder, "", "p", "", {"/in/x/y/a.png", "x/y"},
     "/out/x/y/pa.png"},
    {"folder_with_sub_path", OutputType::kFolder, "batch/1", "", "", {"/in/x/a.png", "x"}, "/out/batch/1/x/a.png"},
    {"file_is_taken_as_it_is", OutputType::kFile, "ignored", "ignored", "ignored", {"/in/a.png", ""},
     "/exact/result.any"},
};

INSTANTIATE_TEST_SUITE_P(Cases, OutputNamingTest, testing::ValuesIn(kNaming),
                         [](const testing::TestParamInfo<NamingCase>& info) { return info.param.name; });

TEST(OutputPlanTest, ALaterInputWithTheSameOutputFailsInsteadOfOverwriting) {
    BatchDescription d;
    d.outputType = OutputType::kFolder;
    d.outputFolder = "/out";
    std::vector<PlannedFile> plan;
    ASSERT_EQ(PlanOutputs(d, {{"/a/x.png", ""}, {"/b/x.png", ""}, {"/b/y.png", ""}}, &plan), "");
    ASSERT_EQ(plan.size(), 3u);
    EXPECT_EQ(plan[0].conflict, "");
    EXPECT_EQ(plan[1].output, "/out/x.png");
    EXPECT_NE(plan[1].conflict.find("already the output of /a/x.png"), std::string::npos) << plan[1].conflict;
    EXPECT_EQ(plan[2].conflict, "");
}

TEST(OutputPlanTest, OneOutputFileTakesOneInputOnly) {
    BatchDescription d;
    d.outputType = OutputType::kFile;
    d.outputFile = "/out/one.png";
    std::vector<PlannedFile> plan;
    EXPECT_EQ(PlanOutputs(d, {{"/a/x.png", ""}}, &plan), "");
    ASSERT_EQ(plan.size(), 1u);
    EXPECT_EQ(plan[0].output, "/out/one.png");

    std::vector<PlannedFile> two;
    const std::string problem = PlanOutputs(d, {{"/a/x.png", ""}, {"/a/y.png", ""}}, &two);
    EXPECT_NE(problem.find("writes one file"), std::string::npos) << problem;
    EXPECT_TRUE(two.empty());
}

// Times are set explicitly, a minute apart, so the test does not depend on
// the clock or the file system's time resolution.
class SkipRuleTest : public testing::Test {
protected:
    void SetUp() override {
        input_ = tree_.WriteText("in.png", "i");
        output_ = tree_.WriteText("out.png", "o");
    }
    void SetTimes(int inputMinutes, int outputMinutes) {
        const auto base = std::filesystem::file_time_type::clock::now();
        std::filesystem::last_write_time(input_, base + std::chrono::minutes(inputMinutes));
        std::filesystem::last_write_time(output_, base + std::chrono::minutes(outputMinutes));
    }
    SkipDecision Decide(bool skipIfExists, bool processIfUpdated, const std::string& output) {
        BatchDescription d;
        d.skipIfExists = skipIfExists;
        d.processIfUpdated = processIfUpdated;
        return DecideSkip(d, input_, output);
    }
    qfconsole_test::ScratchTree tree_;
    std::string input_;
    std::string output_;
};

TEST_F(SkipRuleTest, ExistingOutputs) {
    SetTimes(-1, 0);
    EXPECT_EQ(Decide(false, false, output_), SkipDecision::kProcess);
    EXPECT_EQ(Decide(true, false, output_), SkipDecision::kOutputExists);
    EXPECT_EQ(Decide(true, false, tree_.Path("missing.png")), SkipDecision::kProcess);
    EXPECT_EQ(Decide(true, true, tree_.Path("missing.png")), SkipDecision::kProcess);
}

TEST_F(SkipRuleTest, ProcessIfUpdatedComparesModificationTimes) {
    SetTimes(1, 0);  // the input changed after the output was written
    EXPECT_EQ(Decide(true, true, output_), SkipDecision::kProcess);
    EXPECT_EQ(Decide(true, false, output_), SkipDecision::kOutputExists);
    SetTimes(0, 0);  // as RetainTimeStamp leaves them
    EXPECT_EQ(Decide(true, true, output_), SkipDecision::kOutputUpToDate);
    SetTimes(-1, 0);
    EXPECT_EQ(Decide(true, true, output_), SkipDecision::kOutputUpToDate);
    // Without SkipIfExists every file is processed anyway.
    EXPECT_EQ(Decide(false, true, output_), SkipDecision::kProcess);
}

}  // namespace
}  // namespace qfconsole
