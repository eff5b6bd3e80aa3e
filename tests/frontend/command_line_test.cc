// Option values and the parameter record, in process.
#include <climits>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <boost/filesystem/operations.hpp>
#include <gtest/gtest.h>

#include "frontend/command_line.h"
#include "frontend/qfmacro_params.h"

namespace {

struct TBoolCase {
  const char* text;  // null: the option was the last word
  bool valid;
  bool value;
};

class BoolValues : public ::testing::TestWithParam<TBoolCase> {};

TEST_P(BoolValues, FollowWordsAndCaseSensitiveFirstLetters) {
  const TBoolCase& c = GetParam();
  bool value = !c.value;
  ASSERT_EQ(qfmacro::ParseBoolValue(c.text, &value), c.valid) << (c.text ? c.text : "(null)");
  if (c.valid) {
    EXPECT_EQ(value, c.value) << (c.text ? c.text : "(null)");
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, BoolValues,
                         ::testing::Values(TBoolCase{"true", true, true}, TBoolCase{"TRUE", true, true},
                                           TBoolCase{"Yes", true, true}, TBoolCase{"YES", true, true},
                                           TBoolCase{"t", true, true}, TBoolCase{"y", true, true},
                                           TBoolCase{"1", true, true}, TBoolCase{"yesterday", true, true},
                                           TBoolCase{"10", true, true}, TBoolCase{nullptr, true, true},
                                           TBoolCase{"false", true, false}, TBoolCase{"FALSE", true, false},
                                           TBoolCase{"No", true, false}, TBoolCase{"f", true, false},
                                           TBoolCase{"n", true, false}, TBoolCase{"0", true, false},
                                           TBoolCase{"nope", true, false}, TBoolCase{"Y", false, false},
                                           TBoolCase{"T", false, false}, TBoolCase{"N", false, false},
                                           TBoolCase{"Fa", false, false}, TBoolCase{"", false, false},
                                           TBoolCase{"2", false, false}, TBoolCase{"on", false, false},
                                           TBoolCase{" yes", false, false}));

TEST(ThreadCount, ReadsLeadingDigitsLikeAtoi) {
  EXPECT_EQ(qfmacro::ParseThreadCount("4"), 4);
  EXPECT_EQ(qfmacro::ParseThreadCount("8x"), 8);
  EXPECT_EQ(qfmacro::ParseThreadCount("abc"), 0);
  EXPECT_EQ(qfmacro::ParseThreadCount(""), 0);
  EXPECT_EQ(qfmacro::ParseThreadCount(" 7"), 7);
  EXPECT_EQ(qfmacro::ParseThreadCount("-2"), -2);
  EXPECT_EQ(qfmacro::ParseThreadCount("99999999999"), INT_MAX);
  EXPECT_EQ(qfmacro::ParseThreadCount("-99999999999"), INT_MIN);
}

// The fields that differ from their defaults, in declaration order, e.g.
// `inputFolder="in" silent`; the macro file is left out.
std::string Describe(const qfmacro::QFMacroParams& p) {
  std::ostringstream out;
  auto text = [&out](const char* name, const std::string& value) {
    if (!value.empty()) out << name << "=\"" << value << "\" ";
  };
  auto optionalText = [&out](const char* name, const std::optional<std::string>& value) {
    if (value) out << name << "=\"" << *value << "\" ";
  };
  auto flag = [&out](const char* name, bool value) {
    if (value) out << name << " ";
  };
  auto optionalFlag = [&out](const char* name, const std::optional<bool>& value) {
    if (value) out << name << "=" << (*value ? "true" : "false") << " ";
  };
  text("inputFolder", p.inputFolder);
  text("listFile", p.listFile);
  for (const std::string& file : p.inputFiles) text("inputFiles+", file);
  flag("inputDrop", p.inputDrop);
  optionalFlag("searchSubfolder", p.searchSubfolder);
  text("loadableFormat", p.loadableFormat);
  text("outputFolder", p.outputFolder);
  text("outputFile", p.outputFile);
  optionalFlag("outputToSource", p.outputToSource);
  optionalText("outputSubPath", p.outputSubPath);
  text("savableFormat", p.savableFormat);
  optionalText("actionFile", p.actionFile);
  optionalText("logFile", p.logFile);
  optionalFlag("skipIfExists", p.skipIfExists);
  optionalFlag("processIfUpdated", p.processIfUpdated);
  optionalText("loadOptionsFile", p.loadOptionsFile);
  optionalText("saveOptionsFile", p.saveOptionsFile);
  text("tempMacroFile", p.tempMacroFile.string());
  flag("silent", p.silent);
  flag("noKeepAlive", p.noKeepAlive);
  flag("enqueue", p.enqueue);
  text("outputFilePrefix", p.outputFilePrefix);
  text("outputFilePostfix", p.outputFilePostfix);
  if (p.threadCount != 0) out << "threadCount=" << p.threadCount << " ";
  std::string described = out.str();
  if (!described.empty()) described.pop_back();
  return described;
}

class ParamsRecord : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = boost::filesystem::temp_directory_path() / boost::filesystem::unique_path("qfmtest-%%%%-%%%%");
    boost::filesystem::create_directory(folder_);
    macro_ = (folder_ / "m.qfmacro").string();
    std::ofstream(macro_) << "{}";
    cwd_ = boost::filesystem::current_path().string();
  }
  void TearDown() override { boost::filesystem::remove_all(folder_); }

  // Parses options followed by the macro file; empty when parsing failed.
  std::optional<qfmacro::QFMacroParams> Parse(std::vector<std::string> words) {
    words.insert(words.begin(), "qfmacro");
    words.push_back(macro_);
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    qfmacro::QFMacroParams params;
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    const bool ok = qfmacro::ParseCommandLine(static_cast<int>(words.size()), argv.data(), &params);
    ::testing::internal::GetCapturedStdout();
    ::testing::internal::GetCapturedStderr();
    if (!ok) return std::nullopt;
    EXPECT_EQ(params.macroFile, macro_);
    return params;
  }

  boost::filesystem::path folder_;
  std::string macro_;
  std::string cwd_;
};

struct TRecordCase {
  std::vector<std::string> words;
  std::string expected;  // Describe() of the record; "@CWD@" is the current directory
};

const TRecordCase kRecordCases[] = {
    {{}, ""},
    {{"-i", "in"}, "inputFolder=\"in\""},
    {{"--idir", "in"}, "inputFolder=\"in\""},
    {{"-l", "list.txt"}, "listFile=\"list.txt\""},
    {{"--ilist=list.txt"}, "listFile=\"list.txt\""},
    {{"-d"}, "inputDrop"},
    {{"--istdin"}, "inputDrop"},
    {{"-f", "a.png"}, "inputFiles+=\"@CWD@/a.png\""},
    {{"--ifile", "/abs/a.png"}, "inputFiles+=\"/abs/a.png\""},
    {{"-f", "b.png", "-f", "sub/a.png"}, "inputFiles+=\"@CWD@/b.png\" inputFiles+=\"@CWD@/sub/a.png\""},
    {{"-r", "yes"}, "searchSubfolder=true"},
    {{"--recursive", "0"}, "searchSubfolder=false"},
    {{"-n", "png"}, "loadableFormat=\"png\""},
    {{"--itype", "ALL"}, "loadableFormat=\"ALL\""},
    {{"-o", "out"}, "outputFolder=\"out\""},
    {{"--odir", "out"}, "outputFolder=\"out\""},
    {{"-e", "r.png"}, "outputFile=\"@CWD@/r.png\""},
    {{"--ofile", "/abs/r.png"}, "outputFile=\"/abs/r.png\""},
    {{"-e", ""}, ""},
    {{"-u"}, "outputToSource=true"},
    {{"--osourcedir"}, "outputToSource=true"},
    {{"-b", ""}, "outputSubPath=\"\""},
    {{"--subdir", "s/t"}, "outputSubPath=\"s/t\""},
    {{"-m", "Org"}, "savableFormat=\"Org\""},
    {{"--otype", "png"}, "savableFormat=\"png\""},
    {{"-a", ""}, "actionFile=\"\""},
    {{"--action", "x.act"}, "actionFile=\"x.act\""},
    {{"-g", ""}, "logFile=\"\""},
    {{"--log", "l.txt"}, "logFile=\"l.txt\""},
    {{"-s", "no"}, "skipIfExists=false"},
    {{"--skip", "TRUE"}, "skipIfExists=true"},
    {{"-p", "n"}, "processIfUpdated=false"},
    {{"--processifupdated", "yes"}, "processIfUpdated=true"},
    {{"-q", ""}, "loadOptionsFile=\"\""},
    {{"--loadopt", "lo.json"}, "loadOptionsFile=\"lo.json\""},
    {{"-v", "so.json"}, "saveOptionsFile=\"so.json\""},
    {{"--saveopt", "so.json"}, "saveOptionsFile=\"so.json\""},
    {{"-z"}, "silent"},
    {{"--silent"}, "silent"},
    {{"-k"}, "noKeepAlive"},
    {{"--nokeepalive"}, "noKeepAlive"},
    {{"-w"}, "enqueue"},
    {{"--enqueue"}, "enqueue"},
    {{"-x", "pre_"}, "outputFilePrefix=\"pre_\""},
    {{"--prefix", "pre_"}, "outputFilePrefix=\"pre_\""},
    {{"-y", "_post"}, "outputFilePostfix=\"_post\""},
    {{"--postfix", "_post"}, "outputFilePostfix=\"_post\""},
    {{"-t", "8x"}, "threadCount=8"},
    {{"--threads", "abc"}, ""},
    {{"--threads=3"}, "threadCount=3"},
    {{"-zwkdu"}, "inputDrop outputToSource=true silent noKeepAlive enqueue"},
    {{"-i", "a", "-i", "b"}, "inputFolder=\"b\""},
};

TEST_F(ParamsRecord, EveryOptionStoresItsField) {
  for (const TRecordCase& c : kRecordCases) {
    std::string expected = c.expected;
    for (size_t at; (at = expected.find("@CWD@")) != std::string::npos;) expected.replace(at, 5, cwd_);
    const std::optional<qfmacro::QFMacroParams> params = Parse(c.words);
    ASSERT_TRUE(params.has_value()) << ::testing::PrintToString(c.words);
    EXPECT_EQ(Describe(*params), expected) << ::testing::PrintToString(c.words);
  }
}

TEST_F(ParamsRecord, BooleanOptionAsLastWordIsTrue) {
  // The macro file comes last in Parse(); put it first instead.
  std::vector<std::string> words{"qfmacro", macro_, "--recursive"};
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  qfmacro::QFMacroParams params;
  ASSERT_TRUE(qfmacro::ParseCommandLine(3, argv.data(), &params));
  EXPECT_EQ(params.searchSubfolder, std::optional<bool>(true));
  EXPECT_EQ(params.macroFile, macro_);
}

TEST_F(ParamsRecord, RejectedCommandLines) {
  EXPECT_FALSE(Parse({"-r", "Y"}));
  EXPECT_FALSE(Parse({"-s", ""}));
  EXPECT_FALSE(Parse({"--o", "x"}));
  EXPECT_FALSE(Parse({"--silent=1"}));
  EXPECT_FALSE(Parse({"-j"}));
}

TEST_F(ParamsRecord, ParsingTwiceInOneProcessGivesTheSameRecord) {
  const auto first = Parse({"m2.txt", "-zt", "4"});
  const auto second = Parse({"m2.txt", "-zt", "4"});
  ASSERT_TRUE(first && second);
  EXPECT_EQ(Describe(*first), "silent threadCount=4");
  EXPECT_EQ(Describe(*second), Describe(*first));
}

}  // namespace
