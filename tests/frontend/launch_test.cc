// Starting the host end to end: its command line, every exit status qfmacro
// reports with its exact text, and the temporary file gone on every path.
#include <signal.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <picojson.h>

#include "qfmacro_sandbox.h"

namespace fs = std::filesystem;

namespace {

const char kDefaultDescription[] =
    R"({"ExecuteType":"CONVERT","OutputType":"SOURCE","ProcessIfUpdated":false,"RetainTimeStamp":false,"SkipIfExists":true,"Type":"BATCH"})";

// Checks the temporary file the host was handed: a fresh /tmp/qfmacro file
// that no longer exists.
void ExpectTempFileGone(const QfmacroSandbox& sandbox) {
  const std::string tempFile = sandbox.HostMacroFile();
  const std::string prefix = "/tmp/qfmacro";
  EXPECT_EQ(tempFile.rfind(prefix, 0), 0u) << tempFile;
  EXPECT_EQ(tempFile.size(), prefix.size() + 6) << tempFile;
  EXPECT_FALSE(fs::exists(tempFile)) << tempFile;
}

TEST(HostCommandLine, PlainRun) {
  QfmacroSandbox sandbox;
  sandbox.WriteWorkFile("m.qfmacro", "{}");
  ASSERT_EQ(sandbox.Run({"m.qfmacro"}).exitStatus, 0);
  const std::vector<std::string> expected{sandbox.HostPath(),
                                          "-Console",
                                          "-Macro",
                                          "-MacroFile:" + sandbox.HostMacroFile(),
                                          "-ThreadCount:0",
                                          "-ExecutionBasePath:" + sandbox.workFolder()};
  EXPECT_EQ(sandbox.HostArguments(), expected);
  ExpectTempFileGone(sandbox);
}

TEST(HostCommandLine, SilentEnqueueAndThreadsInTheirPlaces) {
  QfmacroSandbox sandbox;
  sandbox.WriteWorkFile("m.qfmacro", "{}");
  ASSERT_EQ(sandbox.Run({"-t", "4", "m.qfmacro", "-w", "-k", "-z"}).exitStatus, 0);
  const std::vector<std::string> expected{sandbox.HostPath(),
                                          "-Console",
                                          "-Macro",
                                          "-Silent",
                                          "-ExecuteSingleton",
                                          "-MacroFile:" + sandbox.HostMacroFile(),
                                          "-ThreadCount:4",
                                          "-ExecutionBasePath:" + sandbox.workFolder()};
  EXPECT_EQ(sandbox.HostArguments(), expected);
  ExpectTempFileGone(sandbox);
}

TEST(HostCommandLine, EachLaunchOptionAlone) {
  struct {
    std::vector<std::string> args;
    std::string third;   // after "-Macro"
    std::string threads;
  } const cases[] = {
      {{"--enqueue"}, "-ExecuteSingleton", "-ThreadCount:0"},
      {{"--silent"}, "-Silent", "-ThreadCount:0"},
      {{"--threads=8x"}, "", "-ThreadCount:8"},
      {{"-t", "-3"}, "", "-ThreadCount:-3"},
  };
  for (const auto& c : cases) {
    QfmacroSandbox sandbox;
    sandbox.WriteWorkFile("m.qfmacro", "{}");
    std::vector<std::string> args = c.args;
    args.push_back("m.qfmacro");
    ASSERT_EQ(sandbox.Run(args).exitStatus, 0);
    std::vector<std::string> expected{sandbox.HostPath(), "-Console", "-Macro"};
    if (!c.third.empty()) expected.push_back(c.third);
    expected.push_back("-MacroFile:" + sandbox.HostMacroFile());
    expected.push_back(c.threads);
    expected.push_back("-ExecutionBasePath:" + sandbox.workFolder());
    EXPECT_EQ(sandbox.HostArguments(), expected) << ::testing::PrintToString(c.args);
  }
}

TEST(HostCommandLine, BasePathIsTheCurrentDirectory) {
  QfmacroSandbox sandbox;
  sandbox.WriteWorkFile("m.qfmacro", "{}");
  sandbox.WriteWorkFile("sub/x", "");
  ASSERT_EQ(sandbox.Run({"../m.qfmacro"}, sandbox.workFolder() + "/sub").exitStatus, 0);
  EXPECT_EQ(sandbox.HostArguments().back(), "-ExecutionBasePath:" + sandbox.workFolder() + "/sub");
}

// A folder below `base` whose path is exactly `length` bytes long.
std::string MakeFolderOfLength(const std::string& base, size_t length) {
  std::string path = base;
  while (path.size() < length) {
    const size_t remaining = length - path.size();
    // Each step adds "/" and a name; never leave a single byte for the last step.
    size_t name = std::min<size_t>(200, remaining - 1);
    if (remaining - (name + 1) == 1) --name;
    path += "/" + std::string(name, 'd');
  }
  fs::create_directories(path);
  return path;
}

TEST(HostCommandLine, BasePathLeftOutWhenLongerThanTheLimit) {
  QfmacroSandbox sandbox;
  sandbox.WriteWorkFile("m.qfmacro", "{}");
  const std::string macro = sandbox.workFolder() + "/m.qfmacro";

  // 1023 bytes and the terminating NUL fill the 1024-byte buffer exactly.
  const std::string fits = MakeFolderOfLength(sandbox.workFolder() + "/a", 1023);
  ASSERT_EQ(sandbox.Run({macro}, fits).exitStatus, 0);
  EXPECT_EQ(sandbox.HostArguments().back(), "-ExecutionBasePath:" + fits);

  const std::string tooLong = MakeFolderOfLength(sandbox.workFolder() + "/b", 1024);
  ASSERT_EQ(sandbox.Run({macro}, tooLong).exitStatus, 0);
  const std::vector<std::string> args = sandbox.HostArguments();
  ASSERT_EQ(args.size(), 5u);
  EXPECT_EQ(args.back(), "-ThreadCount:0");
}

TEST(HostCommandLine, QfmacroLinkedFromElsewhereFindsTheHostBesideItsTarget) {
  QfmacroSandbox sandbox;
  sandbox.WriteWorkFile("m.qfmacro", "{}");
  fs::create_directory(sandbox.root() + "/elsewhere");
  const std::string link = sandbox.root() + "/elsewhere/qfmacro";
  fs::create_symlink("../bin/qfmacro", link);
  const TRunResult run = sandbox.Run({"m.qfmacro"}, "", link);
  ASSERT_EQ(run.exitStatus, 0) << run.out;
  EXPECT_EQ(sandbox.HostArguments().front(), sandbox.HostPath());
}

struct THostOutcomeCase {
  const char* name;
  std::string behaviour;  // of the fake host
  int status;
  std::string out;
};

class HostOutcome : public ::testing::TestWithParam<THostOutcomeCase> {};

TEST_P(HostOutcome, BecomesExitStatusAndText) {
  const THostOutcomeCase& c = GetParam();
  QfmacroSandbox sandbox;
  sandbox.WriteWorkFile("m.qfmacro", "{}");
  sandbox.SetHostBehaviour(c.behaviour);

  const TRunResult run = sandbox.Run({"m.qfmacro"});

  EXPECT_EQ(run.exitStatus, c.status);
  EXPECT_EQ(run.out, c.out);
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(sandbox.HostMacro(), std::optional<std::string>(kDefaultDescription));
  ExpectTempFileGone(sandbox);
}

const THostOutcomeCase kHostOutcomes[] = {
    {"Success", "exit 0", 0, ""},
    {"HostStatusPassedThrough", "exit 3", 3, "Error code: 3\n"},
    {"StatusOne", "exit 1", 1, "Error code: 1\n"},
    {"Cancelled", "exit 241", 241, "Cancelled.\n"},
    {"HostUsingAFrontEndStatus", "exit 232", 232, "Error code: 232\n"},
    {"HostUsingTheUsageStatus", "exit 255", 255, "Error code: 255\n"},
    {"KilledBySignal9", "signal 9", 232, "QuillFrame process has been terminated by signal : 9\nError code: 232\n"},
    {"EndedBySignal15", "signal 15", 232, "QuillFrame process has been terminated by signal : 15\nError code: 232\n"},
    {"EndedBySignal1", "signal 1", 232, "QuillFrame process has been terminated by signal : 1\nError code: 232\n"},
};

INSTANTIATE_TEST_SUITE_P(Cases, HostOutcome, ::testing::ValuesIn(kHostOutcomes),
                         [](const ::testing::TestParamInfo<THostOutcomeCase>& info) { return info.param.name; });

// The JSON library's own text for a description that is not an object.
std::string JsonTypeErrorText() {
  try {
    picojson::value(picojson::array()).get<picojson::object>();
  } catch (const std::exception& error) {
    return error.what();
  }
  return "(no error)";
}

enum class TSetup { kEmptyFile, kFolder, kArray, kString, kNoHost, kHostNotExecutable, kHostIsFolder };

struct TEarlyEndCase {
  const char* name;
  TSetup setup;
  int status;
  std::string out;  // "@JSON@" is the JSON library's type-error text
};

class EarlyEnd : public ::testing::TestWithParam<TEarlyEndCase> {};

TEST_P(EarlyEnd, ReportsTheStatusAndLeavesNoTemporaryFile) {
  const TEarlyEndCase& c = GetParam();
  QfmacroSandbox sandbox(c.setup != TSetup::kNoHost && c.setup != TSetup::kHostIsFolder &&
                         c.setup != TSetup::kHostNotExecutable);
  switch (c.setup) {
    case TSetup::kEmptyFile: sandbox.WriteWorkFile("x.qfmacro", ""); break;
    case TSetup::kFolder: fs::create_directory(sandbox.workFolder() + "/x.qfmacro"); break;
    case TSetup::kArray: sandbox.WriteWorkFile("x.qfmacro", "[{\"Type\":\"BATCH\"}]"); break;
    case TSetup::kString: sandbox.WriteWorkFile("x.qfmacro", "\"BATCH\""); break;
    case TSetup::kNoHost: sandbox.WriteWorkFile("x.qfmacro", "{}"); break;
    case TSetup::kHostNotExecutable:
      sandbox.WriteWorkFile("x.qfmacro", "{}");
      fs::copy_file(FAKE_HOST_EXE, sandbox.HostPath());
      fs::permissions(sandbox.HostPath(), fs::perms::owner_read | fs::perms::owner_write);
      break;
    case TSetup::kHostIsFolder:
      sandbox.WriteWorkFile("x.qfmacro", "{}");
      fs::create_directory(sandbox.HostPath());
      break;
  }
  const auto before = ListQfmacroTempFiles();

  const TRunResult run = sandbox.Run({"x.qfmacro"});

  std::string out = c.out;
  if (out.rfind("@JSON@", 0) == 0) out.replace(0, 6, JsonTypeErrorText());
  EXPECT_EQ(run.exitStatus, c.status);
  EXPECT_EQ(run.out, out);
  EXPECT_EQ(run.err, "");
  EXPECT_FALSE(sandbox.HostStarted());
  EXPECT_TRUE(NoNewTempFiles(before));
}

const TEarlyEndCase kEarlyEnds[] = {
    {"EmptyMacroFile", TSetup::kEmptyFile, 236, "Error code: 236\n"},
    {"MacroFileIsAFolder", TSetup::kFolder, 237, "Error code: 237\n"},
    {"DescriptionIsAnArray", TSetup::kArray, 234, "@JSON@\nError code: 234\n"},
    {"DescriptionIsAString", TSetup::kString, 234, "@JSON@\nError code: 234\n"},
    {"HostMissing", TSetup::kNoHost, 230, "Error code: 230\n"},
    {"HostNotExecutable", TSetup::kHostNotExecutable, 230, "Error code: 230\n"},
    {"HostIsAFolder", TSetup::kHostIsFolder, 230, "Error code: 230\n"},
};

INSTANTIATE_TEST_SUITE_P(Cases, EarlyEnd, ::testing::ValuesIn(kEarlyEnds),
                         [](const ::testing::TestParamInfo<TEarlyEndCase>& info) { return info.param.name; });

TEST(Output, MessagesBeforeTheHostComeFirst) {
  // qfmacro's own lines reach a pipe or file before anything the host writes.
  QfmacroSandbox sandbox;
  sandbox.WriteWorkFile("m.qfmacro", "{}");
  sandbox.SetHostBehaviour("exit 3\nthe host's own line\n");
  const TRunResult run = sandbox.Run({"missing.txt", "m.qfmacro"});
  EXPECT_EQ(run.out, "File not found : missing.txt\nthe host's own line\nError code: 3\n");
}

}  // namespace

// A signal sent to qfmacro while the host runs goes on to the host; qfmacro
// reports the host's end and still removes its temporary file.
struct TForwardedSignalCase {
  const char* name;
  int signal;
};

class ForwardedSignal : public ::testing::TestWithParam<TForwardedSignalCase> {};

TEST_P(ForwardedSignal, ReachesTheHostAndTheTemporaryFileIsRemoved) {
  const TForwardedSignalCase& c = GetParam();
  QfmacroSandbox sandbox;
  sandbox.WriteWorkFile("m.qfmacro", "{}");
  sandbox.SetHostBehaviour("wait");

  bool hostWaited = false;
  const TRunResult run = sandbox.RunWith({"m.qfmacro"}, [&](pid_t qfmacro) {
    hostWaited = sandbox.WaitForHostWaiting();
    ::kill(qfmacro, c.signal);
  });

  ASSERT_TRUE(hostWaited);
  EXPECT_EQ(run.exitStatus, 232);
  EXPECT_EQ(run.out, "QuillFrame process has been terminated by signal : " + std::to_string(c.signal) +
                         "\nError code: 232\n");
  ExpectTempFileGone(sandbox);
}

const TForwardedSignalCase kForwardedSignals[] = {
    {"Terminate", SIGTERM},
    {"Interrupt", SIGINT},
    {"HangUp", SIGHUP},
};

INSTANTIATE_TEST_SUITE_P(Cases, ForwardedSignal, ::testing::ValuesIn(kForwardedSignals),
                         [](const ::testing::TestParamInfo<TForwardedSignalCase>& info) { return info.param.name; });
