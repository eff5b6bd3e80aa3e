// The "System" object: properties, environment, running programs without
// leaving zombies, and file management.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include <picojson.h>

#include "host/lib/factory.h"
#include "tests/services/service_script.h"
#include "tests/tools/test_util.h"

namespace {

using namespace std::string_literals;
using qfjs_test::Js;
using qfjs_test::ReadBytes;
using qfjs_test::ScopedEnv;
using qfjs_test::ShownRun;
using qfjs_test::TempDir;

// True when this process has no child at all, finished or running: every
// child it ever had has been reaped.
bool NoChildProcesses() {
    int status = 0;
    return waitpid(-1, &status, WNOHANG) == -1 && errno == ECHILD;
}

TEST(SystemObject, Properties) {
    ShownRun run;
    EXPECT_EQ(run.One("show([System.OSType, System.ExecutingScript])"), "[\"Linux\",null]");
    run.request().Set("ScriptFile", picojson::value("C:\\scripts\\blur.js"));
    EXPECT_EQ(run.One("show(System.ExecutingScript)"), "\"C:/scripts/blur.js\"");
    EXPECT_EQ(run.One("System.OSType = 'macOS'; show(System.OSType)"), "\"Linux\"");
}

TEST(SystemObject, GetEnv) {
    ScopedEnv set("QFJS_TEST_VARIABLE", "value \xC3\xA9");
    ScopedEnv unset("QFJS_TEST_UNSET", nullptr);
    ScopedEnv home("HOME", "/home/scripter");
    ShownRun run;
    EXPECT_EQ(run.One("show([System.GetEnv('QFJS_TEST_VARIABLE'), System.GetEnv('QFJS_TEST_UNSET'),"
                      "System.GetEnv('HOME'), System.GetEnv(''), System.GetEnv('HOME\\0X'), System.GetEnv()])"),
              "[\"value \xC3\xA9\",null,\"/home/scripter\",null,null,null]");
}

// Runs with the process's standard output sent to a file, as a host's output
// would be; returns what was written there.
class CapturedStdout {
public:
    explicit CapturedStdout(const std::string& file) {
        std::fflush(stdout);
        saved_ = dup(STDOUT_FILENO);
        const int fd = open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(fd, STDOUT_FILENO);
        close(fd);
    }
    ~CapturedStdout() {
        std::fflush(stdout);
        dup2(saved_, STDOUT_FILENO);
        close(saved_);
    }

private:
    int saved_ = -1;
};

TEST(SystemExecute, ExitStatusesAndInheritedOutput) {
    TempDir dir;
    const std::string out = dir.File("stdout");
    std::string shown;
    {
        CapturedStdout capture(out);
        ShownRun run;
        shown = run.One(
            "show([System.Execute('false'), System.Execute('true'), System.Execute('echo', 'a', 'b'),"
            "System.Execute('sh', '-c', '\"exit 7\"'), System.Execute('sh -c \"kill -9 $$\"')])");
    }
    EXPECT_EQ(shown, "[1,0,0,7,137]");
    EXPECT_EQ(ReadBytes(out), "a b\n");
    EXPECT_TRUE(NoChildProcesses());
}

TEST(SystemExecute, ProgramsThatCannotStartGiveNull) {
    TempDir dir;
    // Executable by its mode, but neither a binary nor a script with "#!".
    const std::string junk = dir.Write("junk", "\x01\x02\x03 not a program");
    chmod(junk.c_str(), 0755);
    const std::string plain = dir.Write("plain", "#!/bin/sh\n");
    chmod(plain.c_str(), 0644);
    const std::string calls[] = {
        "System.Execute('qfjs-no-such-program-anywhere')",
        "System.Execute('')",
        "System.Execute('   ')",
        "System.Execute('', 'echo')",
        "System.Execute('echo\\0', 'x')",
        "System.Execute(" + Js(dir.File("missing")) + ")",
        "System.Execute(" + Js(junk) + ")",
        "System.Execute(" + Js(plain) + ")",
        "System.Execute(" + Js(dir.path().string()) + ")",
        "System.Execute()",
    };
    for (const std::string& call : calls) {
        ShownRun run;
        EXPECT_EQ(run.One("show(" + call + ")"), "null") << call;
        EXPECT_TRUE(NoChildProcesses()) << call;
    }
}

TEST(SystemExecute, ProgramIsLookedUpInPath) {
    TempDir bin;
    const std::string tool = bin.Write("qfjs-test-tool", "#!/bin/sh\nexit 42\n");
    chmod(tool.c_str(), 0755);
    const std::string path = bin.path().string() + ":" + std::getenv("PATH");
    ScopedEnv env("PATH", path.c_str());
    ShownRun run;
    EXPECT_EQ(run.One("show(System.Execute('qfjs-test-tool'))"), "42");
}

TEST(SystemSpawn, StartsDetachedAndLeavesNoZombie) {
    TempDir dir;
    const std::string marker = dir.File("spawned");
    ShownRun run;
    EXPECT_EQ(run.One("show([System.Spawn('true'), System.Spawn('sh', '-c', " +
                      Js("\"echo started > " + marker + "\"") + ")])"),
              "[true,true]");
    // The programs belong to the system now; this process has no child left.
    EXPECT_TRUE(NoChildProcesses());
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (ReadBytes(marker) != "started\n" && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(ReadBytes(marker), "started\n");
}

TEST(SystemSpawn, WorksInAHostThatIgnoresChildSignals) {
    // The system then reaps every child itself and no wait finds one.
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    struct sigaction previous {};
    ASSERT_EQ(sigaction(SIGCHLD, &ignore, &previous), 0);
    ShownRun run;
    const std::string shown = run.One("show([System.Spawn('true'), System.Spawn('qfjs-no-such-program-anywhere')])");
    sigaction(SIGCHLD, &previous, nullptr);
    EXPECT_EQ(shown, "[true,false]");
    EXPECT_TRUE(NoChildProcesses());
}

TEST(SystemSpawn, ProgramsThatCannotStartGiveFalse) {
    TempDir dir;
    const std::string junk = dir.Write("junk", "\x01\x02\x03 not a program");
    chmod(junk.c_str(), 0755);
    for (const std::string& args : {"'qfjs-no-such-program-anywhere'"s, "''"s, "' '"s, Js(junk)}) {
        ShownRun run;
        EXPECT_EQ(run.One("show(System.Spawn(" + args + "))"), "false") << args;
        EXPECT_TRUE(NoChildProcesses()) << args;
    }
    ShownRun run;
    EXPECT_EQ(run.One("show(System.Spawn())"), "null");
}

TEST(SystemFiles, CopyFile) {
    TempDir dir;
    const std::string source = dir.Write("source", "new");
    const std::string target = dir.Write("target", "old");
    const std::string fresh = dir.File("fresh");
    ShownRun run;
    const std::string s = Js(source);
    const std::string t = Js(target);
    EXPECT_EQ(run.One("show([System.CopyFile(" + s + ", " + t + "), System.CopyFile(" + s + ", " + t +
                      ", true), System.CopyFile(" + s + ", " + t + ", undefined)])"),
              "[false,false,false]");
    EXPECT_EQ(ReadBytes(target), "old");
    EXPECT_EQ(run.One("show(System.CopyFile(" + s + ", " + t + ", false))"), "true");
    EXPECT_EQ(ReadBytes(target), "new");
    EXPECT_EQ(run.One("show(System.CopyFile(" + s + ", " + Js(fresh) + "))"), "true");
    EXPECT_EQ(ReadBytes(fresh), "new");
    EXPECT_EQ(ReadBytes(source), "new");
}

TEST(SystemFiles, CopyFileFailures) {
    TempDir dir;
    const std::string source = dir.Write("source", "data");
    const std::string s = Js(source);
    const std::string calls[] = {
        // Onto itself, even when overwriting is allowed: the data must survive.
        "System.CopyFile(" + s + ", " + s + ", false)",
        "System.CopyFile(" + Js(dir.File("missing")) + ", " + Js(dir.File("x")) + ")",
        "System.CopyFile(" + s + ", " + Js(dir.File("no/such/dir/x")) + ")",
        "System.CopyFile(" + Js(source + "\0"s) + ", " + Js(dir.File("y")) + ")",
        "System.CopyFile(" + s + ", " + Js(dir.File("z") + "\0"s) + ")",
    };
    for (const std::string& call : calls) {
        ShownRun run;
        EXPECT_EQ(run.One("show(" + call + ")"), "false") << call;
    }
    EXPECT_EQ(ReadBytes(source), "data");
    EXPECT_FALSE(boost::filesystem::exists(dir.File("z")));
    ShownRun run;
    EXPECT_EQ(run.One("show(System.CopyFile(" + s + "))"), "null");
}

TEST(SystemFiles, CopyingADirectoryMakesAnEmptyOne) {
    TempDir dir;
    boost::filesystem::create_directory(dir.path() / "folder");
    dir.Write("folder/inside", "x");
    ShownRun run;
    EXPECT_EQ(run.One("show(System.CopyFile(" + Js(dir.File("folder")) + ", " + Js(dir.File("copy")) + "))"),
              "true");
    EXPECT_TRUE(boost::filesystem::is_directory(dir.path() / "copy"));
    EXPECT_TRUE(boost::filesystem::is_empty(dir.path() / "copy"));
}

TEST(SystemFiles, MoveFile) {
    TempDir dir;
    const std::string source = dir.Write("source", "moved");
    const std::string target = dir.File("target");
    ShownRun run;
    EXPECT_EQ(run.One("show([System.MoveFile(" + Js(source) + ", " + Js(target) + "), System.MoveFile(" +
                      Js(source) + ", " + Js(target) + "), System.MoveFile(" + Js(target) + ")])"),
              "[true,false,null]");
    EXPECT_FALSE(boost::filesystem::exists(source));
    EXPECT_EQ(ReadBytes(target), "moved");
}

TEST(SystemFiles, DeleteFile) {
    TempDir dir;
    const std::string file = dir.Write("file", "x");
    boost::filesystem::create_directory(dir.path() / "empty");
    boost::filesystem::create_directory(dir.path() / "full");
    dir.Write("full/inside", "x");
    ShownRun run;
    EXPECT_EQ(run.One("show([System.DeleteFile(" + Js(file + "\0"s) + "), System.DeleteFile(" + Js(file) +
                      "), System.DeleteFile(" + Js(file) + "), System.DeleteFile(" + Js(dir.File("empty")) +
                      "), System.DeleteFile(" + Js(dir.File("full")) + "), System.DeleteFile()])"),
              "[false,true,false,true,false,null]");
    EXPECT_FALSE(boost::filesystem::exists(file));
    EXPECT_TRUE(boost::filesystem::exists(dir.path() / "full" / "inside"));
}

TEST(SystemFiles, ExistsAndIsDirectory) {
    TempDir dir;
    const std::string file = dir.Write("file", "x");
    const std::string d = Js(dir.path().string());
    const std::string f = Js(file);
    const std::string m = Js(dir.File("missing"));
    ShownRun run;
    EXPECT_EQ(run.One("show([System.Exists(" + d + "), System.Exists(" + f + "), System.Exists(" + m +
                      "), System.Exists(" + Js(file + "\0"s) + "), System.Exists()])"),
              "[true,true,false,null,null]");
    EXPECT_EQ(run.One("show([System.IsDirectory(" + d + "), System.IsDirectory(" + f + "), System.IsDirectory(" +
                      m + "), System.IsDirectory(" + Js(file + "/x") + "), System.IsDirectory()])"),
              "[true,false,false,false,null]");
}

TEST(SystemFiles, AFailedTestGivesNull) {
    TempDir dir;
    // A loop of symbolic links and a name too long for the file system cannot
    // be tested, for any user.
    boost::filesystem::create_symlink(dir.path() / "loop-b", dir.path() / "loop-a");
    boost::filesystem::create_symlink(dir.path() / "loop-a", dir.path() / "loop-b");
    std::vector<std::string> paths = {dir.File("loop-a"), dir.File(std::string(300, 'n'))};
    if (geteuid() != 0) {
        // Permissions do not stop the superuser.
        boost::filesystem::create_directory(dir.path() / "locked");
        chmod((dir.path() / "locked").c_str(), 0);
        paths.push_back(dir.File("locked/x"));
    }
    for (const std::string& path : paths) {
        ShownRun run;
        EXPECT_EQ(run.One("show([System.Exists(" + Js(path) + "), System.IsDirectory(" + Js(path) + ")])"),
                  "[null,null]")
            << path;
    }
}

// Whether a pixel read outside a 2 x 2 bitmap is moved to the edge (clip on)
// or refused with null (clip off), after running `setup` in the same
// execution.
std::string ClipAfter(ShownRun& run, const std::string& setup) {
    return run.One(setup + "; show(CreateBitmap(2, 2, 24).GetPixel(5, -1) !== null)");
}

TEST(SystemObject, ClipOptionSurvivesIntoTheNextExecution) {
    qfhost::Factory factory;
    ShownRun run(&factory);
    EXPECT_EQ(ClipAfter(run, ""), "true");
    EXPECT_EQ(ClipAfter(run, "if (System.SetOption('Bitmap.GetPixel.Clip', false) !== undefined) throw 'result'"),
              "false");
    // A new execution of the same context keeps the option.
    EXPECT_EQ(ClipAfter(run, ""), "false");
    // Other keys, other spellings and a missing value change nothing.
    EXPECT_EQ(ClipAfter(run, "System.SetOption('bitmap.getpixel.clip', true); System.SetOption('Other', true);"
                             "System.SetOption('Bitmap.GetPixel.Clip')"),
              "false");
    // The value is taken for its truthiness.
    EXPECT_EQ(ClipAfter(run, "System.SetOption('Bitmap.GetPixel.Clip', 'yes')"), "true");
    EXPECT_EQ(ClipAfter(run, "System.SetOption('Bitmap.GetPixel.Clip', 0)"), "false");
    EXPECT_EQ(ClipAfter(run, "System.SetOption('Bitmap.GetPixel.Clip', {})"), "true");
    // A fresh context starts with the default.
    qfhost::Factory other;
    ShownRun fresh(&other);
    EXPECT_EQ(ClipAfter(fresh, ""), "true");
}

TEST(SystemObject, ThrowingArgumentsAndForeignReceiversEndTheCall) {
    for (const char* call : {"System.GetEnv(Symbol())", "System.Execute('echo', {toString() { throw 1; }})",
                             "System.CopyFile('a', Symbol())", "System.SetOption(Symbol(), true)",
                             "System.Exists.call({}, '/')", "System.GetEnv.call(Path, 'HOME')"}) {
        ShownRun run;
        EXPECT_EQ(run.One("try { "s + call + "; show('returned'); } catch (e) { show('caught'); }"), "\"caught\"")
            << call;
        EXPECT_TRUE(NoChildProcesses());
    }
}

}  // namespace
