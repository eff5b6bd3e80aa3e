// The console host as its users meet it: the real qfmacro starts the real
// QuillFrame from the same bin/ folder on a scratch folder tree of tiny PNG
// files; the tests check the files written (decoded pixel by pixel), the
// lines printed and the exit statuses.
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "console_test_support.h"

namespace {

namespace fs = std::filesystem;
using qfconsole_test::ComparePixels;
using qfconsole_test::CountLinesStartingWith;
using qfconsole_test::Inverted;
using qfconsole_test::Pattern;
using qfconsole_test::ProgramResult;
using qfconsole_test::ScratchTree;

qfhost::Rgba InvertedPattern(int x, int y) { return Inverted(Pattern(x, y)); }
qfhost::Rgba Red(int, int) { return qfhost::Rgba{255, 0, 0, 255}; }

const char kInvertV8[] = R"(//qfjs:Invert (test)
SetVersion(8);
var b = ResultPicture.Bitmap;
for (var y = 0; y < b.Height; y++)
  for (var x = 0; x < b.Width; x++)
    b.SetPixel(x, y, 255 - b.GetPixelR(x, y), 255 - b.GetPixelG(x, y), 255 - b.GetPixelB(x, y));
)";

const char kInvertV7[] = R"(SetVersion(7);
var layer = Image.CreateCopyLayer(0);
for (var y = 0; y < layer.Height; y++)
  for (var x = 0; x < layer.Width; x++) {
    var p = layer.PixelAt(x, y);
    p.r = 255 - p.r; p.g = 255 - p.g; p.b = 255 - p.b;
  }
)";

class ConsoleProgramTest : public testing::Test {
protected:
    void SetUp() override {
        tree_.WritePng("in/a.png", 3, 2, Pattern);
        tree_.WritePng("in/b.png", 2, 3, Pattern);
        tree_.WritePng("in/sub/c.png", 1, 2, Pattern);
        tree_.WriteText("in/readme.txt", "not a picture");
        Macro("{}");
    }

    // Writes the macro description batch.qfmacro.
    void Macro(const std::string& json) { tree_.WriteText("batch.qfmacro", json); }

    // qfmacro batch.qfmacro <args>, run in the tree's root.
    ProgramResult Qfmacro(const std::vector<std::string>& args) {
        std::vector<std::string> argv{QFMACRO_EXE, "batch.qfmacro"};
        argv.insert(argv.end(), args.begin(), args.end());
        return qfconsole_test::RunProgram(argv, tree_.root());
    }

    std::string P(const std::string& relative) const { return tree_.Path(relative); }
    std::string Same(const std::string& relative, int w, int h) const { return ComparePixels(P(relative), w, h, Pattern); }

    // Every file below out/, relative to it.
    std::vector<std::string> Outputs(const std::string& folder = "out") const {
        std::vector<std::string> files;
        for (const std::string& file : tree_.Files()) {
            if (file.compare(0, folder.size() + 1, folder + "/") == 0) files.push_back(file.substr(folder.size() + 1));
        }
        return files;
    }

    ScratchTree tree_;
};

TEST_F(ConsoleProgramTest, FolderWithoutSubfolders) {
    const ProgramResult run = Qfmacro({"-i", "in", "-o", "out"});
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_EQ(Outputs(), (std::vector<std::string>{"a.png", "b.png"}));
    EXPECT_EQ(Same("out/a.png", 3, 2), "");
    EXPECT_EQ(Same("out/b.png", 2, 3), "");
    EXPECT_EQ(CountLinesStartingWith(run.out, "ok: " + P("in/a.png") + " -> " + P("out/a.png")), 1) << run.out;
    EXPECT_EQ(CountLinesStartingWith(run.out, "2 files: 2 written, 0 skipped, 0 failed."), 1) << run.out;
    EXPECT_EQ(run.err, "");
}

TEST_F(ConsoleProgramTest, FolderWithSubfoldersKeepsTheTree) {
    const ProgramResult run = Qfmacro({"-i", "in", "-r", "yes", "-o", "out"});
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_EQ(Outputs(), (std::vector<std::string>{"a.png", "b.png", "sub/c.png"}));
    EXPECT_EQ(Same("out/sub/c.png", 1, 2), "");
}

TEST_F(ConsoleProgramTest, FilesWithPrefixAndPostfix) {
    const ProgramResult run = Qfmacro({"-f", "in/a.png", "-f", "in/sub/c.png", "-o", "out", "-x", "pre_", "-y", "_post"});
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_EQ(Outputs(), (std::vector<std::string>{"pre_a_post.png", "pre_c_post.png"}));
    EXPECT_EQ(Same("out/pre_c_post.png", 1, 2), "");
}

TEST_F(ConsoleProgramTest, ListFileWithOutputsBesideTheSources) {
    tree_.WriteText("lists/files.txt", "../in/a.png\n" + P("in/sub/c.png") + "\n\n");
    const ProgramResult run = Qfmacro({"-l", "lists/files.txt", "-u", "-y", "_copy"});
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_EQ(Same("in/a_copy.png", 3, 2), "");
    EXPECT_EQ(Same("in/sub/c_copy.png", 1, 2), "");
    EXPECT_FALSE(tree_.Exists("in/b_copy.png"));
}

TEST_F(ConsoleProgramTest, SeriesOfNumberedFiles) {
    for (const char* name : {"s/shot0.png", "s/shot1.png", "s/shot2.png", "s/shot10.png", "s/other3.png"}) {
        tree_.WritePng(name, 1, 1, Pattern);
    }
    Macro(R"({"InputType":"SERIAL"})");
    const ProgramResult run = Qfmacro({"-f", "s/shot1.png", "-o", "out"});
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_EQ(Outputs(), (std::vector<std::string>{"shot1.png", "shot10.png", "shot2.png"}));
}

TEST_F(ConsoleProgramTest, OneOutputFile) {
    const ProgramResult run = Qfmacro({"-f", "in/b.png", "-e", "result/one.png"});
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_EQ(Same("result/one.png", 2, 3), "");
}

TEST_F(ConsoleProgramTest, SkipIfExistsAndProcessIfUpdated) {
    tree_.WritePng("out/a.png", 3, 2, Red);
    ProgramResult run = Qfmacro({"-i", "in", "-o", "out"});  // SkipIfExists is on by default
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_EQ(ComparePixels(P("out/a.png"), 3, 2, Red), "");
    EXPECT_EQ(Same("out/b.png", 2, 3), "");
    EXPECT_EQ(CountLinesStartingWith(run.out, "skipped: " + P("in/a.png") + ": the output exists"), 1) << run.out;
    EXPECT_EQ(CountLinesStartingWith(run.out, "2 files: 1 written, 1 skipped, 0 failed."), 1) << run.out;

    // The input is older than its output: up to date, kept.
    const auto now = fs::file_time_type::clock::now();
    fs::last_write_time(P("in/a.png"), now - std::chrono::hours(2));
    fs::last_write_time(P("out/a.png"), now - std::chrono::hours(1));
    run = Qfmacro({"-i", "in", "-o", "out", "-p", "yes"});
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_EQ(ComparePixels(P("out/a.png"), 3, 2, Red), "");
    EXPECT_EQ(CountLinesStartingWith(run.out, "skipped: " + P("in/a.png") + ": the output is up to date"), 1) << run.out;

    // The input changed after its output was made: processed again.
    fs::last_write_time(P("in/a.png"), now);
    run = Qfmacro({"-i", "in", "-o", "out", "-p", "yes"});
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_EQ(Same("out/a.png", 3, 2), "");

    // Without SkipIfExists every output is written again.
    tree_.WritePng("out/b.png", 2, 3, Red);
    run = Qfmacro({"-i", "in", "-o", "out", "-s", "no"});
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_EQ(Same("out/b.png", 2, 3), "");
}

TEST_F(ConsoleProgramTest, RetainTimeStampGivesTheOutputTheSourcesTime) {
    const auto past = fs::file_time_type::clock::now() - std::chrono::hours(30);
    fs::last_write_time(P("in/a.png"), past);
    Macro(R"({"RetainTimeStamp":true})");
    ProgramResult run = Qfmacro({"-f", "in/a.png", "-o", "kept"});
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    // Compared with the time as the file system keeps it.
    EXPECT_EQ(fs::last_write_time(P("kept/a.png")), fs::last_write_time(P("in/a.png")));

    Macro("{}");
    run = Qfmacro({"-f", "in/a.png", "-o", "fresh"});
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_GT(fs::last_write_time(P("fresh/a.png")), past);
}

// Both script generations, each through its own result path.
TEST_F(ConsoleProgramTest, ActionsRunTheFilterScriptOnEveryPicture) {
    for (const char* script : {kInvertV8, kInvertV7}) {
        SCOPED_TRACE(script);
        tree_.WriteText("scripts/invert.js", script);
        std::error_code ignored;
        fs::remove_all(P("out"), ignored);
        const ProgramResult run = Qfmacro({"-i", "in", "-r", "yes", "-o", "out", "-a", "scripts/invert.js"});
        ASSERT_EQ(run.status, 0) << run.out << run.err;
        EXPECT_EQ(ComparePixels(P("out/a.png"), 3, 2, InvertedPattern), "");
        EXPECT_EQ(ComparePixels(P("out/b.png"), 2, 3, InvertedPattern), "");
        EXPECT_EQ(ComparePixels(P("out/sub/c.png"), 1, 2, InvertedPattern), "");
        EXPECT_EQ(Same("in/a.png", 3, 2), "");  // sources stay as they were
    }
}

TEST_F(ConsoleProgramTest, FailingFilesGiveStatusOneAndAreNamed) {
    tree_.WriteText("in/broken.png", "\x89PNG but not really");
    tree_.WriteText("scripts/picky.js",
                    "SetVersion(8); if (Document.FilePath.indexOf('b.png') >= 0) "
                    "{ ErrorMessage = 'b is not welcome'; Result = 4; }");
    const ProgramResult run = Qfmacro({"-i", "in", "-o", "out", "-a", "scripts/picky.js"});
    EXPECT_EQ(run.status, 1) << run.out << run.err;
    EXPECT_EQ(Outputs(), (std::vector<std::string>{"a.png"}));
    EXPECT_EQ(CountLinesStartingWith(run.err, "Failed: " + P("in/broken.png") + ": cannot read the file as a PNG picture"),
              1)
        << run.err;
    EXPECT_EQ(CountLinesStartingWith(run.err, "Failed: " + P("in/b.png") + ": the script failed: "), 1) << run.err;
    EXPECT_NE(run.err.find("b is not welcome"), std::string::npos) << run.err;
    EXPECT_EQ(CountLinesStartingWith(run.out, "3 files: 1 written, 0 skipped, 2 failed."), 1) << run.out;
    EXPECT_EQ(qfconsole_test::Lines(run.out).back(), "Error code: 1");
}

TEST_F(ConsoleProgramTest, TwoThreadsProcessEveryFileOnce) {
    for (int i = 0; i < 6; ++i) tree_.WritePng("many/p" + std::to_string(i) + ".png", 2 + i % 3, 2, Pattern);
    tree_.WriteText("scripts/invert.js", kInvertV8);
    const ProgramResult run = Qfmacro({"-i", "many", "-o", "out", "-a", "scripts/invert.js", "-t", "2", "-g", "batch.log"});
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_EQ(CountLinesStartingWith(run.out, "ok: "), 6) << run.out;
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(ComparePixels(P("out/p" + std::to_string(i) + ".png"), 2 + i % 3, 2, InvertedPattern), "");
    }
    const std::string log = qfconsole_test::ReadFile(P("batch.log"));
    EXPECT_NE(log.find("batch started: 6 files, ACTIONS " + P("scripts/invert.js") + ", 2 threads"), std::string::npos)
        << log;
    EXPECT_NE(log.find("batch finished: 6 written, 0 skipped, 0 failed"), std::string::npos) << log;
}

TEST_F(ConsoleProgramTest, SilentPrintsOnlyFailures) {
    ProgramResult run = Qfmacro({"-i", "in", "-o", "out", "-z"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "");

    tree_.WriteText("in/broken.png", "nope");
    run = Qfmacro({"-i", "in", "-o", "again", "-z"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "Error code: 1\n");
    EXPECT_EQ(CountLinesStartingWith(run.err, "Failed: " + P("in/broken.png")), 1) << run.err;
}

TEST_F(ConsoleProgramTest, EnqueueRunsTheBatchHere) {
    const ProgramResult run = Qfmacro({"-f", "in/a.png", "-o", "out", "-w"});
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_EQ(CountLinesStartingWith(run.out, "There is no running QuillFrame to enqueue into"), 1) << run.out;
    EXPECT_EQ(Same("out/a.png", 3, 2), "");
}

struct SetupCase {
    const char* name;
    std::vector<std::string> args;
    const char* expected;  // a part of the message on standard error
};

class SetupErrorTest : public ConsoleProgramTest, public testing::WithParamInterface<SetupCase> {};

TEST_P(SetupErrorTest, EndsWithStatusTwoBeforeTouchingAnyFile) {
    const ProgramResult run = Qfmacro(GetParam().args);
    EXPECT_EQ(run.status, 2) << run.out << run.err;
    EXPECT_NE(run.err.find(GetParam().expected), std::string::npos) << run.err;
    EXPECT_EQ(qfconsole_test::Lines(run.out).back(), "Error code: 2");
    EXPECT_EQ(Outputs(), std::vector<std::string>{});
}

const SetupCase kSetupErrors[] = {
    {"dropped_files", {"-d", "-o", "out"}, "InputType DROP"},
    {"unsupported_output_format", {"-i", "in", "-o", "out", "-m", "jpeg"}, "unsupported output format \"jpeg\""},
    {"unsupported_input_format", {"-i", "in", "-o", "out", "-n", "bmp"}, "unsupported input format \"bmp\""},
    {"several_inputs_into_one_file", {"-f", "in/a.png", "-f", "in/b.png", "-e", "out/x.png"}, "writes one file"},
    {"missing_action_file", {"-i", "in", "-o", "out", "-a", "nothing.js"}, "cannot read the action file"},
    {"missing_input_folder", {"-i", "nowhere", "-o", "out"}, "does not exist"},
    {"missing_list_file", {"-l", "nowhere.txt", "-o", "out"}, "cannot open the list file"},
};

INSTANTIATE_TEST_SUITE_P(Cases, SetupErrorTest, testing::ValuesIn(kSetupErrors),
                         [](const testing::TestParamInfo<SetupCase>& info) { return info.param.name; });

// examples/batch.qfmacro with the example filter, in a copy of the examples
// folder, run from the folder above it as the example's paths expect.
TEST(ExampleBatchTest, InvertsThePicturesOfTheExamplesFolder) {
    ScratchTree tree;
    fs::create_directories(tree.Path("examples/filters"));
    fs::copy_file(QFCONSOLE_SOURCE_DIR "/examples/batch.qfmacro", tree.Path("examples/batch.qfmacro"));
    fs::copy_file(QFCONSOLE_SOURCE_DIR "/examples/filters/invert.js", tree.Path("examples/filters/invert.js"));
    tree.WritePng("examples/lamp.png", 4, 3, Pattern);
    ProgramResult run = qfconsole_test::RunProgram({QFMACRO_EXE, "examples/batch.qfmacro"}, tree.root());
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_EQ(ComparePixels(tree.Path("examples/inverted/lamp_inverted.png"), 4, 3, InvertedPattern), "");
    // Only changed sources are processed again.
    run = qfconsole_test::RunProgram({QFMACRO_EXE, "examples/batch.qfmacro"}, tree.root());
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_EQ(CountLinesStartingWith(run.out, "skipped: " + tree.Path("examples/lamp.png")), 1) << run.out;
}

// QuillFrame started directly, as qfmacro starts it.
class HostProgramTest : public testing::Test {
protected:
    std::vector<std::string> HostArgs(const std::string& macroFile, int threads = 1) {
        return {QUILLFRAME_EXE, "-Console", "-Macro", "-MacroFile:" + macroFile,
                "-ThreadCount:" + std::to_string(threads), "-ExecutionBasePath:" + tree_.root()};
    }
    ScratchTree tree_;
};

TEST_F(HostProgramTest, AnUnusableCommandLineOrDescriptionGivesStatusTwo) {
    ProgramResult run = qfconsole_test::RunProgram({QUILLFRAME_EXE, "-Console", "-Macro"});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("no macro file given"), std::string::npos) << run.err;

    run = qfconsole_test::RunProgram(HostArgs(tree_.Path("missing.qfmacro")));
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("cannot open the macro description"), std::string::npos) << run.err;

    run = qfconsole_test::RunProgram(HostArgs(tree_.WriteText("bad.qfmacro", "{\"InputType\": FILE}")));
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("is not valid JSON"), std::string::npos) << run.err;

    std::vector<std::string> args = HostArgs(tree_.WriteText("ok.qfmacro", "{}"));
    args.push_back("-Bogus");
    run = qfconsole_test::RunProgram(args);
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("unknown argument \"-Bogus\""), std::string::npos) << run.err;
}

// A script that announces itself with a file and then waits for the test.
class InterruptTest : public HostProgramTest {
protected:
    void SetUp() override {
        for (const char* name : {"in/1.png", "in/2.png", "in/3.png"}) tree_.WritePng(name, 2, 2, Pattern);
    }
    std::string MacroWithScript(const std::string& script) {
        tree_.WriteText("wait.js", script);
        return tree_.WriteText("batch.qfmacro", R"({"InputType":"FOLDER","InputFolder":"in","OutputType":"FOLDER",
            "OutputFolder":"out","ExecuteType":"ACTIONS","ActionFile":"wait.js"})");
    }
};

TEST_F(InterruptTest, FirstSignalFinishesTheFileInProgressAndStartsNoOther) {
    const std::string started = tree_.Path("started");
    const std::string release = tree_.Path("release");
    const std::string macro = MacroWithScript(
        "SetVersion(8);\n"
        "SaveTextFile('" + started + "', 'x');\n"
        "while (!System.Exists('" + release + "')) {}\n");
    qfconsole_test::Program host(HostArgs(macro), tree_.root());
    ASSERT_TRUE(qfconsole_test::WaitForFile(started));
    ASSERT_EQ(kill(host.pid(), SIGTERM), 0);
    // Released only after the host has taken the signal: a host that ended
    // the script on the first signal would fail the file.
    ASSERT_TRUE(qfconsole_test::WaitUntil([&] { return host.ErrorSoFar().find("Stopping:") != std::string::npos; }));
    tree_.WriteText("release", "");
    const ProgramResult run = host.Wait();
    EXPECT_EQ(run.status, 241) << run.out << run.err;
    ASSERT_TRUE(tree_.Exists("out/1.png"));
    EXPECT_FALSE(tree_.Exists("out/2.png"));
    EXPECT_FALSE(tree_.Exists("out/3.png"));
    EXPECT_EQ(CountLinesStartingWith(run.out, "3 files: 1 written, 0 skipped, 0 failed, 2 not started (interrupted)."),
              1)
        << run.out;
    EXPECT_EQ(CountLinesStartingWith(run.err, "Interrupted:"), 1) << run.err;
}

TEST_F(InterruptTest, SecondSignalStopsTheRunningScript) {
    const std::string started = tree_.Path("started");
    const std::string macro = MacroWithScript("SetVersion(8);\nSaveTextFile('" + started + "', 'x');\nwhile (true) {}\n");
    qfconsole_test::Program host(HostArgs(macro), tree_.root());
    ASSERT_TRUE(qfconsole_test::WaitForFile(started));
    ASSERT_EQ(kill(host.pid(), SIGTERM), 0);
    ASSERT_EQ(kill(host.pid(), SIGINT), 0);
    const ProgramResult run = host.Wait();
    EXPECT_EQ(run.status, 241) << run.out << run.err;
    EXPECT_FALSE(tree_.Exists("out/1.png"));
    EXPECT_EQ(CountLinesStartingWith(run.err, "Failed: " + tree_.Path("in/1.png") + ": the script was stopped"), 1)
        << run.err;
}

}  // namespace
