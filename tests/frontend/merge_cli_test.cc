// Every merge rule end to end: a description and a command line go in, the
// host receives exactly the expected compact JSON (keys in byte order), and
// the temporary file it was given is gone afterwards.
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "qfmacro_sandbox.h"

namespace {

struct TMergeCase {
  const char* name;
  std::string description;                                // m.qfmacro
  std::vector<std::pair<std::string, std::string>> files;  // further files in the work folder
  std::vector<std::string> args;                          // m.qfmacro is appended
  std::string expected;                                   // "@CWD@" is the work folder, JSON-escaped
};

class MergedDescription : public ::testing::TestWithParam<TMergeCase> {};

TEST_P(MergedDescription, ReachesTheHostByteForByte) {
  const TMergeCase& c = GetParam();
  QfmacroSandbox sandbox;
  sandbox.WriteWorkFile("m.qfmacro", c.description);
  for (const auto& [name, content] : c.files) sandbox.WriteWorkFile(name, content);
  std::vector<std::string> args = c.args;
  args.push_back("m.qfmacro");

  const TRunResult run = sandbox.Run(args);

  ASSERT_EQ(run.exitStatus, 0) << run.out << run.err;
  EXPECT_EQ(run.out, "");
  std::string expected = c.expected;
  for (size_t at; (at = expected.find("@CWD@")) != std::string::npos;) {
    expected.replace(at, 5, JsonPath(sandbox.workFolder()));
  }
  ASSERT_TRUE(sandbox.HostMacro().has_value()) << "the host could not read its macro file";
  EXPECT_EQ(*sandbox.HostMacro(), expected);
  const std::string tempFile = sandbox.HostMacroFile();
  EXPECT_EQ(tempFile.rfind("/tmp/qfmacro", 0), 0u) << tempFile;
  EXPECT_FALSE(std::filesystem::exists(tempFile)) << tempFile;
}

// The merged description of {} without options.
#define DEFAULTS                                                                                                   \
  R"("ExecuteType":"CONVERT","OutputType":"SOURCE","ProcessIfUpdated":false,"RetainTimeStamp":false,)" \
  R"("SkipIfExists":true,"Type":"BATCH")"

const TMergeCase kMergeCases[] = {
    {"EmptyDescriptionNoOptions",
     "{}",
     {},
     {},
     R"({"ExecuteType":"CONVERT","OutputType":"SOURCE","ProcessIfUpdated":false,"RetainTimeStamp":false,"SkipIfExists":true,"Type":"BATCH"})"},
    {"ExistingMembersPassThroughAndKeepTheirValues",
     R"({"Zeta":[1,2.5,"s"],"alpha":{"x":null},"Type":"MOVIE","SkipIfExists":false,"ExecuteType":"ACTIONS"})",
     {},
     {},
     R"({"ExecuteType":"ACTIONS","OutputType":"SOURCE","ProcessIfUpdated":false,"RetainTimeStamp":false,)"
     R"("SkipIfExists":false,"Type":"MOVIE","Zeta":[1,2.5,"s"],"alpha":{"x":null}})"},
    {"ByteOrderMarkSkipped", "\xEF\xBB\xBF{\"Type\":\"X\"}", {}, {},
     R"({"ExecuteType":"CONVERT","OutputType":"SOURCE","ProcessIfUpdated":false,"RetainTimeStamp":false,"SkipIfExists":true,"Type":"X"})"},
    {"SyntaxErrorReadsAsEmpty", "{\"Type\":\"X\", oops", {}, {}, "{" DEFAULTS "}"},
    {"Utf8TextUnchanged",
     R"({"Name":"写真"})",
     {},
     {"-x", "前_"},
     R"({"ExecuteType":"CONVERT","Name":"写真","OutputFilePrefix":"前_","OutputType":"SOURCE",)"
     R"("ProcessIfUpdated":false,"RetainTimeStamp":false,"SkipIfExists":true,"Type":"BATCH"})"},
    // Skipping rules.
    {"SkipFalseKeptWithoutOptions", R"({"SkipIfExists":false})", {}, {},
     R"({"ExecuteType":"CONVERT","OutputType":"SOURCE","ProcessIfUpdated":false,"RetainTimeStamp":false,"SkipIfExists":false,"Type":"BATCH"})"},
    {"SkipNo", "{}", {}, {"-s", "no"},
     R"({"ExecuteType":"CONVERT","OutputType":"SOURCE","ProcessIfUpdated":false,"RetainTimeStamp":false,"SkipIfExists":false,"Type":"BATCH"})"},
    {"ProcessNoStillTurnsSkipOn", R"({"SkipIfExists":false,"ProcessIfUpdated":true})", {}, {"-p", "no"},
     R"({"ExecuteType":"CONVERT","OutputType":"SOURCE","ProcessIfUpdated":false,"RetainTimeStamp":false,"SkipIfExists":true,"Type":"BATCH"})"},
    {"ProcessWinsOverSkipNo", "{}", {}, {"--processifupdated", "yes", "-s", "no"},
     R"({"ExecuteType":"CONVERT","OutputType":"SOURCE","ProcessIfUpdated":true,"RetainTimeStamp":false,"SkipIfExists":true,"Type":"BATCH"})"},
    // Input.
    {"InputFolderMadeAbsolute", "{}", {}, {"-i", "in"},
     R"({"ExecuteType":"CONVERT","InputFolder":"@CWD@\/in","InputType":"FOLDER",)"
     R"("OutputType":"SOURCE","ProcessIfUpdated":false,"RetainTimeStamp":false,"SkipIfExists":true,"Type":"BATCH"})"},
    {"InputFolderWinsOverListDropAndFiles", "{}", {}, {"-d", "-f", "a.png", "-l", "l.txt", "--idir", "/data/in"},
     R"({"ExecuteType":"CONVERT","InputFolder":"\/data\/in","InputType":"FOLDER",)"
     R"("OutputType":"SOURCE","ProcessIfUpdated":false,"RetainTimeStamp":false,"SkipIfExists":true,"Type":"BATCH"})"},
    {"ListFileUnchanged", "{}", {}, {"-l", "lists/l.txt", "-d"},
     R"({"ExecuteType":"CONVERT","InputType":"LIST","ListFile":"lists\/l.txt",)"
     R"("OutputType":"SOURCE","ProcessIfUpdated":false,"RetainTimeStamp":false,"SkipIfExists":true,"Type":"BATCH"})"},
    {"DropWinsOverFiles", R"({"InputType":"FOLDER","InputFolder":"\/old"})", {}, {"-f", "a.png", "--istdin"},
     R"({"ExecuteType":"CONVERT","InputFolder":"\/old","InputType":"DROP",)"
     R"("OutputType":"SOURCE","ProcessIfUpdated":false,"RetainTimeStamp":false,"SkipIfExists":true,"Type":"BATCH"})"},
    {"OneInputFile", "{}", {}, {"-f", "a.png"},
     R"({"ExecuteType":"CONVERT","InputFile":"@CWD@\/a.png","InputType":"FILE",)"
     R"("OutputType":"SOURCE","ProcessIfUpdated":false,"RetainTimeStamp":false,"SkipIfExists":true,"Type":"BATCH"})"},
    {"InputFilesInCommandLineOrder", "{}", {}, {"-f", "b.png", "--ifile=/abs/a.png", "-f", "sub/c.png"},
     R"({"ExecuteType":"CONVERT","InputFiles":["@CWD@\/b.png","\/abs\/a.png","@CWD@\/sub\/c.png"],"InputType":"FILE",)"
     R"("OutputType":"SOURCE","ProcessIfUpdated":false,"RetainTimeStamp":false,"SkipIfExists":true,"Type":"BATCH"})"},
    {"SerialTakesOnlyTheFirstFile", R"({"InputType":"SERIAL"})", {}, {"-f", "s001.png", "-f", "s002.png"},
     R"({"ExecuteType":"CONVERT","InputSerial":"@CWD@\/s001.png","InputType":"SERIAL",)"
     R"("OutputType":"SOURCE","ProcessIfUpdated":false,"RetainTimeStamp":false,"SkipIfExists":true,"Type":"BATCH"})"},
    {"SerialMatchesExactly", R"({"InputType":"serial"})", {}, {"-f", "s001.png"},
     R"({"ExecuteType":"CONVERT","InputFile":"@CWD@\/s001.png","InputType":"FILE",)"
     R"("OutputType":"SOURCE","ProcessIfUpdated":false,"RetainTimeStamp":false,"SkipIfExists":true,"Type":"BATCH"})"},
    // Output.
    {"OutputFolderWinsOverFileAndSource", "{}", {}, {"-u", "-e", "r.png", "-o", "out"},
     R"({"ExecuteType":"CONVERT","OutputFolder":"@CWD@\/out","OutputType":"FOLDER",)"
     R"("ProcessIfUpdated":false,"RetainTimeStamp":false,"SkipIfExists":true,"Type":"BATCH"})"},
    {"OutputFileWinsOverSource", "{}", {}, {"--osourcedir", "--ofile", "r.png"},
     R"({"ExecuteType":"CONVERT","OutputFile":"@CWD@\/r.png","OutputType":"FILE",)"
     R"("ProcessIfUpdated":false,"RetainTimeStamp":false,"SkipIfExists":true,"Type":"BATCH"})"},
    {"OutputToSource", R"({"OutputType":"FOLDER","OutputFolder":"\/x"})", {}, {"-u"},
     R"({"ExecuteType":"CONVERT","OutputFolder":"\/x","OutputType":"SOURCE",)"
     R"("ProcessIfUpdated":false,"RetainTimeStamp":false,"SkipIfExists":true,"Type":"BATCH"})"},
    {"EmptySubPathTurnsItOff", R"({"UseOutputFolderSubPath":true,"OutputFolderSubPath":"s"})", {}, {"-b", ""},
     R"({"ExecuteType":"CONVERT","OutputFolderSubPath":"","OutputType":"SOURCE",)"
     R"("ProcessIfUpdated":false,"RetainTimeStamp":false,"SkipIfExists":true,"Type":"BATCH","UseOutputFolderSubPath":false})"},
    {"SubPath", "{}", {}, {"--subdir", "a/b"},
     R"({"ExecuteType":"CONVERT","OutputFolderSubPath":"a\/b","OutputType":"SOURCE",)"
     R"("ProcessIfUpdated":false,"RetainTimeStamp":false,"SkipIfExists":true,"Type":"BATCH","UseOutputFolderSubPath":true})"},
    // Formats.
    {"LoadableAllMeansEveryFormat", "{}", {}, {"-n", "ALL"},
     R"({"ExecuteType":"CONVERT","OutputType":"SOURCE","ProcessIfUpdated":false,"RetainTimeStamp":false,)"
     R"("SelectedLoadableFormat":"","SkipIfExists":true,"Type":"BATCH"})"},
    {"LoadableFormatName", "{}", {}, {"--itype", "png"},
     R"({"ExecuteType":"CONVERT","OutputType":"SOURCE","ProcessIfUpdated":false,"RetainTimeStamp":false,)"
     R"("SelectedLoadableFormat":"png","SkipIfExists":true,"Type":"BATCH"})"},
    {"EmptyFormatsChangeNothing", R"({"SelectedLoadableFormat":"jpg","SelectedSavableFormat":"bmp"})", {},
     {"-n", "", "-m", ""},
     R"({"ExecuteType":"CONVERT","OutputType":"SOURCE","ProcessIfUpdated":false,"RetainTimeStamp":false,)"
     R"("SelectedLoadableFormat":"jpg","SelectedSavableFormat":"bmp","SkipIfExists":true,"Type":"BATCH"})"},
    {"SavableOrgMeansAutomatic", "{}", {}, {"-m", "Org"},
     R"({"ExecuteType":"CONVERT","OutputType":"SOURCE","ProcessIfUpdated":false,"RetainTimeStamp":false,)"
     R"("SelectedSavableFormat":"","SkipIfExists":true,"Type":"BATCH"})"},
    {"SavableAutoMeansAutomatic", "{}", {}, {"-m", "AUTO"},
     R"({"ExecuteType":"CONVERT","OutputType":"SOURCE","ProcessIfUpdated":false,"RetainTimeStamp":false,)"
     R"("SelectedSavableFormat":"","SkipIfExists":true,"Type":"BATCH"})"},
    {"SavableSameMeansAutomatic", R"({"SelectedSavableFormat":"bmp"})", {}, {"-m", "same"},
     R"({"ExecuteType":"CONVERT","OutputType":"SOURCE","ProcessIfUpdated":false,"RetainTimeStamp":false,)"
     R"("SelectedSavableFormat":"","SkipIfExists":true,"Type":"BATCH"})"},
    {"SavableOriginalMeansAutomatic", "{}", {}, {"--otype=Original"},
     R"({"ExecuteType":"CONVERT","OutputType":"SOURCE","ProcessIfUpdated":false,"RetainTimeStamp":false,)"
     R"("SelectedSavableFormat":"","SkipIfExists":true,"Type":"BATCH"})"},
    {"SavableFormatName", "{}", {}, {"-m", "png"},
     R"({"ExecuteType":"CONVERT","OutputType":"SOURCE","ProcessIfUpdated":false,"RetainTimeStamp":false,)"
     R"("SelectedSavableFormat":"png","SkipIfExists":true,"Type":"BATCH"})"},
    {"SavableSimilarNameIsAFormat", "{}", {}, {"-m", "origin"},
     R"({"ExecuteType":"CONVERT","OutputType":"SOURCE","ProcessIfUpdated":false,"RetainTimeStamp":false,)"
     R"("SelectedSavableFormat":"origin","SkipIfExists":true,"Type":"BATCH"})"},
    // Actions and log.
    {"EmptyActionFileMeansConvert", R"({"ExecuteType":"ACTIONS","ActionFile":"a.act"})", {}, {"-a", ""},
     R"({"ActionFile":"","ExecuteType":"CONVERT","OutputType":"SOURCE","ProcessIfUpdated":false,)"
     R"("RetainTimeStamp":false,"SkipIfExists":true,"Type":"BATCH"})"},
    {"ActionFile", "{}", {}, {"--action", "act/x.qfaction"},
     R"({"ActionFile":"act\/x.qfaction","ExecuteType":"ACTIONS","OutputType":"SOURCE","ProcessIfUpdated":false,)"
     R"("RetainTimeStamp":false,"SkipIfExists":true,"Type":"BATCH"})"},
    {"EmptyLogFileTurnsLoggingOff", R"({"SaveLog":true,"LogFile":"l"})", {}, {"-g", ""},
     R"({"ExecuteType":"CONVERT","LogFile":"","OutputType":"SOURCE","ProcessIfUpdated":false,)"
     R"("RetainTimeStamp":false,"SaveLog":false,"SkipIfExists":true,"Type":"BATCH"})"},
    {"LogFile", "{}", {}, {"--log", "l.txt"},
     R"({"ExecuteType":"CONVERT","LogFile":"l.txt","OutputType":"SOURCE","ProcessIfUpdated":false,)"
     R"("RetainTimeStamp":false,"SaveLog":true,"SkipIfExists":true,"Type":"BATCH"})"},
    // Subfolders, name parts.
    {"RecursiveYes", "{}", {}, {"-r", "YES"},
     R"({"ExecuteType":"CONVERT","OutputType":"SOURCE","ProcessIfUpdated":false,"RetainTimeStamp":false,)"
     R"("SearchSubfolder":true,"SkipIfExists":true,"Type":"BATCH"})"},
    {"RecursiveZero", R"({"SearchSubfolder":true})", {}, {"--recursive", "0"},
     R"({"ExecuteType":"CONVERT","OutputType":"SOURCE","ProcessIfUpdated":false,"RetainTimeStamp":false,)"
     R"("SearchSubfolder":false,"SkipIfExists":true,"Type":"BATCH"})"},
    {"PrefixAndPostfix", "{}", {}, {"-x", "pre_", "--postfix", "_post"},
     R"({"ExecuteType":"CONVERT","OutputFilePostfix":"_post","OutputFilePrefix":"pre_","OutputType":"SOURCE",)"
     R"("ProcessIfUpdated":false,"RetainTimeStamp":false,"SkipIfExists":true,"Type":"BATCH"})"},
    {"EmptyPrefixAndPostfixChangeNothing", R"({"OutputFilePrefix":"p","OutputFilePostfix":"q"})", {},
     {"-x", "", "-y", ""},
     R"({"ExecuteType":"CONVERT","OutputFilePostfix":"q","OutputFilePrefix":"p","OutputType":"SOURCE",)"
     R"("ProcessIfUpdated":false,"RetainTimeStamp":false,"SkipIfExists":true,"Type":"BATCH"})"},
    // Load and save options.
    {"LoadOptionsRebuiltInNameOrder", R"({"LoadOptions":[{"Key":"old","Value":0}]})",
     {{"lo.json", R"({"b": 1, "a": "x"})"}}, {"-q", "lo.json"},
     R"({"ExecuteType":"CONVERT","LoadOptions":[{"Key":"a","Value":"x"},{"Key":"b","Value":1}],"OutputType":"SOURCE",)"
     R"("ProcessIfUpdated":false,"RetainTimeStamp":false,"SkipIfExists":true,"Type":"BATCH"})"},
    {"LoadOptionsValuesCopiedWhole", R"({"LoadOptions":[]})",
     {{"lo.json", "\xEF\xBB\xBF{\"z\":{\"k\":[1,true]},\"A\":null,\"a\":-2}"}}, {"--loadopt", "lo.json"},
     R"({"ExecuteType":"CONVERT","LoadOptions":[{"Key":"A","Value":null},{"Key":"a","Value":-2},)"
     R"({"Key":"z","Value":{"k":[1,true]}}],"OutputType":"SOURCE",)"
     R"("ProcessIfUpdated":false,"RetainTimeStamp":false,"SkipIfExists":true,"Type":"BATCH"})"},
    {"LoadOptionsNeedAnExistingList", "{}", {{"lo.json", R"({"a":1})"}}, {"-q", "lo.json"}, "{" DEFAULTS "}"},
    {"LoadOptionsNotAListUnchanged", R"({"LoadOptions":{"a":1}})", {{"lo.json", R"({"b":2})"}}, {"-q", "lo.json"},
     R"({"ExecuteType":"CONVERT","LoadOptions":{"a":1},"OutputType":"SOURCE",)"
     R"("ProcessIfUpdated":false,"RetainTimeStamp":false,"SkipIfExists":true,"Type":"BATCH"})"},
    {"MissingLoadOptionsFileEmptiesTheList", R"({"LoadOptions":[{"Key":"old","Value":0}]})", {},
     {"-q", "missing.json"},
     R"({"ExecuteType":"CONVERT","LoadOptions":[],"OutputType":"SOURCE",)"
     R"("ProcessIfUpdated":false,"RetainTimeStamp":false,"SkipIfExists":true,"Type":"BATCH"})"},
    {"LoadOptionsFileNotAnObjectChangesNothing", R"({"LoadOptions":[{"Key":"old","Value":0}]})",
     {{"lo.json", "[1]"}}, {"-q", "lo.json"},
     R"({"ExecuteType":"CONVERT","LoadOptions":[{"Key":"old","Value":0}],"OutputType":"SOURCE",)"
     R"("ProcessIfUpdated":false,"RetainTimeStamp":false,"SkipIfExists":true,"Type":"BATCH"})"},
    {"SaveOptionsRebuiltLoadOptionsKept", R"({"SaveOptions":[],"LoadOptions":[{"Key":"keep","Value":1}]})",
     {{"so.json", R"({"quality":90})"}}, {"-v", "so.json"},
     R"({"ExecuteType":"CONVERT","LoadOptions":[{"Key":"keep","Value":1}],"OutputType":"SOURCE",)"
     R"("ProcessIfUpdated":false,"RetainTimeStamp":false,"SaveOptions":[{"Key":"quality","Value":90}],)"
     R"("SkipIfExists":true,"Type":"BATCH"})"},
    {"BothOptionFiles", R"({"SaveOptions":[{"Key":"s","Value":0}],"LoadOptions":[{"Key":"l","Value":0}]})",
     {{"lo.json", R"({"L":"x"})"}, {"so.json", R"({"S":"y"})"}}, {"--saveopt=so.json", "--loadopt=lo.json"},
     R"({"ExecuteType":"CONVERT","LoadOptions":[{"Key":"L","Value":"x"}],"OutputType":"SOURCE",)"
     R"("ProcessIfUpdated":false,"RetainTimeStamp":false,"SaveOptions":[{"Key":"S","Value":"y"}],)"
     R"("SkipIfExists":true,"Type":"BATCH"})"},
    // Options that only affect how the host is started.
    {"LaunchOptionsLeaveTheDescriptionAlone", "{}", {}, {"-z", "-w", "-k", "-t", "4"}, "{" DEFAULTS "}"},
};

INSTANTIATE_TEST_SUITE_P(Cases, MergedDescription, ::testing::ValuesIn(kMergeCases),
                         [](const ::testing::TestParamInfo<TMergeCase>& info) { return info.param.name; });

}  // namespace
