// The qfmacro program's command line end to end: rejected command lines end
// with the usage text and status 255 without starting the host or leaving a
// temporary file, and the macro file is chosen among the positional words.
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "qfmacro_sandbox.h"

namespace {

struct TUsageCase {
  const char* name;
  std::vector<std::string> args;
  std::string out;  // before the usage text
  std::string err;
};

class RejectedCommandLine : public ::testing::TestWithParam<TUsageCase> {};

TEST_P(RejectedCommandLine, PrintsUsageAndEndsWith255) {
  const TUsageCase& c = GetParam();
  QfmacroSandbox sandbox;
  sandbox.WriteWorkFile("m.qfmacro", "{}");
  sandbox.WriteWorkFile("notes.json", "{}");
  sandbox.WriteWorkFile("m.qfmacro.bak", "{}");
  sandbox.WriteWorkFile("folder/inside.txt", "");
  const auto before = ListQfmacroTempFiles();

  const TRunResult run = sandbox.Run(c.args);

  EXPECT_EQ(run.exitStatus, 255);
  EXPECT_EQ(run.out, c.out + kUsageText);
  EXPECT_EQ(run.err, c.err);
  EXPECT_FALSE(sandbox.HostStarted());
  EXPECT_TRUE(NoNewTempFiles(before));
}

const TUsageCase kUsageCases[] = {
    {"AmbiguousLongPrefix", {"--o", "x", "m.qfmacro"}, "", "ambiguous option: o\n"},
    {"UnknownLongOption", {"--bogus", "m.qfmacro"}, "", "no such a option: bogus\n"},
    {"UnknownLongOptionWithValue", {"m.qfmacro", "--threads-max=2"}, "", "no such a option: threads-max=2\n"},
    {"ValueForOptionWithoutArgument", {"--silent=1", "m.qfmacro"}, "", "no argument for silent\n"},
    {"InvalidShortLetter", {"-j", "m.qfmacro"}, "", "qfmacro: invalid option -- j\n"},
    {"InvalidLetterInsideCluster", {"-zjw", "m.qfmacro"}, "", "qfmacro: invalid option -- j\n"},
    {"UpperCaseShortLetter", {"-Z", "m.qfmacro"}, "", "qfmacro: invalid option -- Z\n"},
    {"MissingShortArgument", {"m.qfmacro", "-t"}, "", "qfmacro: option requires an argument -- t\n"},
    {"MissingLongTextArgument", {"m.qfmacro", "--idir"}, "", "option requires an argument: idir\n"},
    {"MissingLongPrefixArgument", {"m.qfmacro", "--thr"}, "", "option requires an argument: threads\n"},
    {"BooleanFirstLetterIsCaseSensitive", {"-r", "Y", "m.qfmacro"}, "invalid argument : Y\n", ""},
    {"BooleanUnknownWord", {"--skipifexists=maybe", "m.qfmacro"}, "invalid argument : maybe\n", ""},
    {"BooleanEmpty", {"-p", "", "m.qfmacro"}, "invalid argument : \n", ""},
    {"NoArguments", {}, "Macro file is not specified.\n", ""},
    {"OnlyOptions", {"-z", "-t", "2"}, "Macro file is not specified.\n", ""},
    {"MissingFile", {"a.qfmacro"}, "File not found : a.qfmacro\nMacro file is not specified.\n", ""},
    {"WrongExtension", {"notes.json"}, "Invalid macro file extension : notes.json\nMacro file is not specified.\n", ""},
    {"ExtensionMustBeLast",
     {"m.qfmacro.bak"},
     "Invalid macro file extension : m.qfmacro.bak\nMacro file is not specified.\n",
     ""},
    {"FolderWithoutExtension", {"folder"}, "Invalid macro file extension : folder\nMacro file is not specified.\n", ""},
    {"MacroFileAsOptionArgument", {"-a", "m.qfmacro"}, "Macro file is not specified.\n", ""},
    {"EveryPositionalReported",
     {"x.txt", "notes.json", "y.qfmacro"},
     "File not found : x.txt\nInvalid macro file extension : notes.json\nFile not found : y.qfmacro\n"
     "Macro file is not specified.\n",
     ""},
};

INSTANTIATE_TEST_SUITE_P(Cases, RejectedCommandLine, ::testing::ValuesIn(kUsageCases),
                         [](const ::testing::TestParamInfo<TUsageCase>& info) { return info.param.name; });

struct TChoiceCase {
  const char* name;
  std::vector<std::string> args;
  std::string out;     // messages about the passed-over words
  std::string chosen;  // the file whose description reached the host
};

class MacroFileChoice : public ::testing::TestWithParam<TChoiceCase> {};

TEST_P(MacroFileChoice, UsesTheFirstExistingMacroFile) {
  const TChoiceCase& c = GetParam();
  QfmacroSandbox sandbox;
  for (const char* file : {"b.qfmacro", "B.QFMACRO", "clip.QfMovMacro", "one.qfmacro", "two.qfmacro", "notes.txt",
                           "-z.qfmacro", "sub/dir/m.qfmacro", "x.y.qfmacro"}) {
    sandbox.WriteWorkFile(file, std::string("{\"Tag\":\"") + file + "\"}");
  }

  const TRunResult run = sandbox.Run(c.args);

  EXPECT_EQ(run.exitStatus, 0) << run.out << run.err;
  EXPECT_EQ(run.out, c.out);
  EXPECT_EQ(run.err, "");
  ASSERT_TRUE(sandbox.HostMacro().has_value());
  EXPECT_NE(sandbox.HostMacro()->find("\"Tag\":\"" + JsonPath(c.chosen) + "\""), std::string::npos)
      << *sandbox.HostMacro();
}

const TChoiceCase kChoiceCases[] = {
    {"MissingFileThenValid", {"a.txt", "b.qfmacro"}, "File not found : a.txt\n", "b.qfmacro"},
    {"WrongExtensionThenValid", {"notes.txt", "b.qfmacro"}, "Invalid macro file extension : notes.txt\n", "b.qfmacro"},
    {"UpperCaseExtension", {"B.QFMACRO"}, "", "B.QFMACRO"},
    {"MovieMacroMixedCase", {"clip.QfMovMacro"}, "", "clip.QfMovMacro"},
    {"LastDotCounts", {"x.y.qfmacro"}, "", "x.y.qfmacro"},
    {"FirstValidWinsLaterWordsIgnored", {"one.qfmacro", "two.qfmacro", "missing.txt"}, "", "one.qfmacro"},
    {"PathInSubfolder", {"sub/dir/m.qfmacro"}, "", "sub/dir/m.qfmacro"},
    {"MixedWithOptions", {"-z", "a.txt", "-k", "two.qfmacro", "-w"}, "File not found : a.txt\n", "two.qfmacro"},
    {"DashNameAfterDoubleDash", {"--", "-z.qfmacro"}, "", "-z.qfmacro"},
};

INSTANTIATE_TEST_SUITE_P(Cases, MacroFileChoice, ::testing::ValuesIn(kChoiceCases),
                         [](const ::testing::TestParamInfo<TChoiceCase>& info) { return info.param.name; });

TEST(MacroFileChoice, OptionsMayFollowTheMacroFile) {
  std::vector<std::vector<std::string>> hostArgs;
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"b.qfmacro", "-z"}, std::vector<std::string>{"-z", "b.qfmacro"}}) {
    QfmacroSandbox sandbox;
    sandbox.WriteWorkFile("b.qfmacro", "{}");
    const TRunResult run = sandbox.Run(args);
    ASSERT_EQ(run.exitStatus, 0);
    std::vector<std::string> recorded = sandbox.HostArguments();
    ASSERT_EQ(recorded.size(), 7u);
    recorded[0] = "host";             // the sandboxes differ
    recorded[4] = "-MacroFile:";      // a fresh temporary name each run
    recorded[6] = "-ExecutionBasePath:";
    hostArgs.push_back(recorded);
  }
  EXPECT_EQ(hostArgs[0], hostArgs[1]);
  EXPECT_EQ(hostArgs[0][3], "-Silent");
}

}  // namespace
