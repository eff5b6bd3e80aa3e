// The option parser in process: what each call returns, the arguments it
// hands out, the order the positional words end up in and its messages.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "frontend/command_line.h"
#include "frontend/option_parser.h"

namespace {

using qfmacro::kLongOptions;
using qfmacro::kShortOptions;
using qfmacro::LongOption;

// Mutable argv with "prog" as its program name.
class Argv {
 public:
  explicit Argv(const std::vector<std::string>& words) : words_{"prog"} {
    words_.insert(words_.end(), words.begin(), words.end());
    for (std::string& word : words_) pointers_.push_back(word.data());
    pointers_.push_back(nullptr);
  }
  int argc() const { return static_cast<int>(words_.size()); }
  char** argv() { return pointers_.data(); }

 private:
  std::vector<std::string> words_;
  std::vector<char*> pointers_;
};

struct TParsed {
  std::string trace;                    // one entry per option call
  std::vector<std::string> positional;  // argv[optind..] after -1
  std::string messages;                 // standard error
};

// Calls the parser until -1. Each result becomes "<letter>", "<letter>=<arg>"
// or "<letter>(null)" for an option that needs an argument and got none.
TParsed ParseAll(const std::vector<std::string>& words, const LongOption* table = kLongOptions) {
  Argv args(words);
  qfmacro::ResetOptionParser();
  TParsed parsed;
  ::testing::internal::CaptureStderr();
  for (int calls = 0; calls < 50; ++calls) {
    const int letter = qfmacro::getopt_long(args.argc(), args.argv(), kShortOptions, table, nullptr);
    if (letter == -1) break;
    if (!parsed.trace.empty()) parsed.trace += ' ';
    parsed.trace += static_cast<char>(letter);
    if (qfmacro::optarg != nullptr) {
      parsed.trace += std::string("=") + qfmacro::optarg;
    } else if (letter != '?' && std::string(kShortOptions).find(std::string(1, static_cast<char>(letter)) + ":") !=
                                    std::string::npos) {
      parsed.trace += "(null)";
    }
  }
  parsed.messages = ::testing::internal::GetCapturedStderr();
  for (int i = qfmacro::optind; i < args.argc(); ++i) parsed.positional.push_back(args.argv()[i]);
  return parsed;
}

struct TParserCase {
  const char* name;
  std::vector<std::string> words;
  std::string trace;
  std::vector<std::string> positional;
  std::string messages;
};

class OptionParserTable : public ::testing::TestWithParam<TParserCase> {};

TEST_P(OptionParserTable, ReturnsOptionsArgumentsAndPositionalWords) {
  const TParserCase& c = GetParam();
  const TParsed parsed = ParseAll(c.words);
  EXPECT_EQ(parsed.trace, c.trace);
  EXPECT_EQ(parsed.positional, c.positional);
  EXPECT_EQ(parsed.messages, c.messages);
}

const TParserCase kParserCases[] = {
    {"NoWords", {}, "", {}, ""},
    {"ExactLongName", {"--silent"}, "z", {}, ""},
    {"LongPrefixTakesNextWord", {"--proc", "yes"}, "p=yes", {}, ""},
    {"LongPrefixWithEquals", {"--thr=4"}, "t=4", {}, ""},
    {"LongEqualsEmptyValue", {"--idir="}, "i=", {}, ""},
    {"LongValueAfterFirstEquals", {"--prefix=a=b"}, "x=a=b", {}, ""},
    {"LongTakesNextWordStartingWithDash", {"--idir", "-z"}, "i=-z", {}, ""},
    {"LongNeedingArgumentAsLastWord", {"--threads"}, "t(null)", {}, ""},
    {"AmbiguousPrefix", {"--o", "x"}, "?", {"x"}, "ambiguous option: o\n"},
    {"AmbiguousEmptyName", {"--=1"}, "?", {}, "ambiguous option: =1\n"},
    {"UnknownLongName", {"--bogus=1", "-z"}, "? z", {}, "no such a option: bogus=1\n"},
    {"LongerThanTableName", {"--silently"}, "?", {}, "no such a option: silently\n"},
    {"ValueForOptionWithoutArgument", {"--silent=1"}, "?", {}, "no argument for silent\n"},
    {"ValueForPrefixWithoutArgument", {"--enq=no"}, "?", {}, "no argument for enqueue\n"},
    {"ShortCluster", {"-zwk"}, "z w k", {}, ""},
    {"ClusterWithAttachedArgument", {"-zt4"}, "z t=4", {}, ""},
    {"ArgumentInNextWord", {"-t", "4", "-z"}, "t=4 z", {}, ""},
    {"NextWordArgumentStartingWithDash", {"-a", "-z"}, "a=-z", {}, ""},
    {"ShortArgumentMissingAtEnd", {"-zt"}, "z ?", {}, "prog: option requires an argument -- t\n"},
    {"InvalidLetterInsideCluster", {"-zjw"}, "z ? w", {}, "prog: invalid option -- j\n"},
    {"ColonIsNoOptionLetter", {"-:"}, "?", {}, "prog: invalid option -- :\n"},
    {"PermutationKeepsPositionalOrder", {"a", "-z", "b", "-t", "3", "c"}, "z t=3", {"a", "b", "c"}, ""},
    {"PositionalBeforeOptionWithArgument", {"m.qfmacro", "-a", "x"}, "a=x", {"m.qfmacro"}, ""},
    {"PositionalBeforeLongWithArgument", {"m.qfmacro", "--log", "l.txt", "n.qfmacro"}, "g=l.txt",
     {"m.qfmacro", "n.qfmacro"}, ""},
    {"DoubleDashEndsOptions", {"a", "--", "-z", "b"}, "", {"a", "-z", "b"}, ""},
    {"DoubleDashAfterOptions", {"a", "-z", "--", "-w"}, "z", {"a", "-w"}, ""},
    {"DoubleDashAlone", {"--"}, "", {}, ""},
    {"DoubleDashAsArgument", {"-a", "--", "-z"}, "a=-- z", {}, ""},
    {"LoneDashIsPositional", {"-", "-z"}, "z", {"-"}, ""},
    {"OnlyPositionalWords", {"a", "b"}, "", {"a", "b"}, ""},
};

INSTANTIATE_TEST_SUITE_P(Cases, OptionParserTable, ::testing::ValuesIn(kParserCases),
                         [](const ::testing::TestParamInfo<TParserCase>& info) { return info.param.name; });

TEST(OptionParser, ExactNameHasNoPrecedenceOverLongerEntries) {
  const LongOption table[] = {{"log", qfmacro::kRequiredArgument, 'g'},
                              {"logfile", qfmacro::kRequiredArgument, 'y'},
                              {nullptr, 0, 0}};
  const TParsed exact = ParseAll({"--log", "x"}, table);
  EXPECT_EQ(exact.trace, "?");
  EXPECT_EQ(exact.messages, "ambiguous option: log\n");
  EXPECT_EQ(ParseAll({"--logf", "x"}, table).trace, "y=x");
}

TEST(OptionParser, ReportsTheLongOptionIndex) {
  Argv args({"--otype", "png"});
  qfmacro::ResetOptionParser();
  int index = -1;
  EXPECT_EQ(qfmacro::getopt_long(args.argc(), args.argv(), kShortOptions, kLongOptions, &index), 'm');
  EXPECT_STREQ(kLongOptions[index].name, "otype");
}

TEST(OptionParser, OpterrZeroSilencesMessagesButStillFails) {
  Argv args({"--bogus", "-j"});
  qfmacro::ResetOptionParser();
  qfmacro::opterr = 0;
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(qfmacro::getopt_long(args.argc(), args.argv(), kShortOptions, kLongOptions, nullptr), '?');
  EXPECT_EQ(qfmacro::getopt_long(args.argc(), args.argv(), kShortOptions, kLongOptions, nullptr), '?');
  EXPECT_EQ(qfmacro::optopt, 'j');
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  qfmacro::ResetOptionParser();
}

TEST(OptionParser, ResetDropsAHalfReadClusterAndPosition) {
  Argv first({"a", "-zw"});
  qfmacro::ResetOptionParser();
  ASSERT_EQ(qfmacro::getopt_long(first.argc(), first.argv(), kShortOptions, kLongOptions, nullptr), 'z');

  // A new command line after a reset starts from its first word, not inside
  // the old cluster, and its positional words are not mixed with the old ones.
  const TParsed second = ParseAll({"-k", "b"});
  EXPECT_EQ(second.trace, "k");
  EXPECT_EQ(second.positional, std::vector<std::string>{"b"});
  EXPECT_EQ(qfmacro::opterr, 1);
}

}  // namespace
