// qfjs as a user runs it: exit statuses, what reaches standard output and
// standard error, --json, the order of -p parameters, Ctrl-C.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

extern char** environ;

namespace {

namespace fs = std::filesystem;

struct Finished {
    int exitStatus = -1;  // -1 when the runner did not exit normally
    std::string out;
    std::string err;
};

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// A temporary folder with scripts; the runner's output goes to files in it.
class Runner : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "qfjs-runner-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }

    fs::path Script(const std::string& name, const std::string& text) {
        const fs::path path = dir_ / name;
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }

    // Starts qfjs with `args` in the folder; returns its process id.
    pid_t Start(const std::vector<std::string>& args) {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, (dir_ / "out").c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, (dir_ / "err").c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        // Relative script paths are taken from the folder.
        posix_spawn_file_actions_addchdir_np(&actions, dir_.c_str());
        std::vector<char*> argv;
        std::string program = QFJS_RUNNER_PATH;
        argv.push_back(program.data());
        std::vector<std::string> copies = args;
        for (std::string& a : copies) argv.push_back(a.data());
        argv.push_back(nullptr);
        pid_t pid = -1;
        const int rc = posix_spawn(&pid, QFJS_RUNNER_PATH, &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        EXPECT_EQ(rc, 0) << "cannot start " << QFJS_RUNNER_PATH;
        return rc == 0 ? pid : -1;
    }

    Finished Wait(pid_t pid) {
        Finished done;
        int status = 0;
        if (pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status)) done.exitStatus = WEXITSTATUS(status);
        done.out = ReadFile(dir_ / "out");
        done.err = ReadFile(dir_ / "err");
        return done;
    }

    Finished Run(const std::vector<std::string>& args) { return Wait(Start(args)); }

    std::string Output() { return ReadFile(dir_ / "out"); }

    fs::path dir_;
};

TEST_F(Runner, PrintsMessagesAndStatusTexts) {
    Script("a.js", "Print('one'); MessageBox('two', 2); SetStatus('busy'); Print(); SetProgress(1, 2); Print('\\u00e9')");
    Finished done = Run({"a.js"});
    EXPECT_EQ(done.exitStatus, 0);
    EXPECT_EQ(done.out, "one\ntwo2\n\n\xC3\xA9\n");
    EXPECT_EQ(done.err, "busy\n");
}

TEST_F(Runner, ParametersInCommandLineOrder) {
    Script("p.js", "for (var i = 0; i < 4; i++) Print(i, '=', UserParam[i]);");
    Finished done = Run({"-p", "first", "p.js", "-p", "two words", "--json", "-p", "3"});
    EXPECT_EQ(done.exitStatus, 0);
    EXPECT_EQ(done.out,
              "0=first\n1=two words\n2=3\n3=\n"
              R"({"ErrorMessage":"","ScriptResult":0,"V7ResultLayers":[]})"
              "\n");
    EXPECT_EQ(done.err, "");
}

TEST_F(Runner, JsonLineReportsAFailedRunToo) {
    Script("f.js", "SetVersion(8); Print('before'); Result = 5; ErrorMessage = 'bad input';");
    Finished done = Run({"f.js", "--json"});
    EXPECT_EQ(done.exitStatus, 1);
    EXPECT_EQ(done.out, "before\n" R"({"ErrorMessage":"Script result code 5\nbad input","ScriptResult":1104})" "\n");
    EXPECT_EQ(done.err, "Script result code 5\nbad input\n");
}

TEST_F(Runner, VersionEightResultJson) {
    Script("v8.js", "SetVersion(8)");
    Finished done = Run({"--json", "v8.js"});
    EXPECT_EQ(done.exitStatus, 0);
    EXPECT_EQ(done.out, R"({"ErrorMessage":"","ScriptResult":0,"V8ResultPicture":"0"})" "\n");
}

TEST_F(Runner, FailedScriptsExitWithOne) {
    struct Case {
        const char* script;
        const char* err;
    } const cases[] = {
        {"throw 'bad';", "Exception in script\nUncaught bad\nPosition: line 1, column 0 \n"},
        {"var a = ;", "Script compilation error\nSyntaxError: Unexpected token ';'\nPosition: line 1, column 8 \n"},
        {"Result = 7", "Script result code 7\n"},
        {"Quit(3); Print('not shown')", "Script result code 3\n"},
        {"Result = -2", "qfjs: the script ended with result -1\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.script);
        Script("fail.js", c.script);
        Finished done = Run({"fail.js"});
        EXPECT_EQ(done.exitStatus, 1);
        EXPECT_EQ(done.out, "");
        EXPECT_EQ(done.err, c.err);
    }
}

TEST_F(Runner, QuitWithoutCodeSucceeds) {
    Script("q.js", "Print('a'); Quit(); Print('b');");
    Finished done = Run({"q.js"});
    EXPECT_EQ(done.exitStatus, 0);
    EXPECT_EQ(done.out, "a\n");
}

TEST_F(Runner, UsageAndFileErrorsExitWithTwo) {
    Script("ok.js", "Print('ran')");
    std::vector<std::string> tooMany = {"ok.js"};
    for (int i = 0; i < 257; ++i) {
        tooMany.push_back("-p");
        tooMany.push_back("x");
    }
    const std::vector<std::vector<std::string>> commandLines = {
        {},
        {"ok.js", "-p"},
        {"ok.js", "--frobnicate"},
        {"ok.js", "ok.js"},
        {"missing.js"},
        {"."},
        tooMany,
    };
    for (const auto& args : commandLines) {
        SCOPED_TRACE(args.empty() ? "(no arguments)" : args.front() + " ... " + args.back());
        Finished done = Run(args);
        EXPECT_EQ(done.exitStatus, 2);
        EXPECT_EQ(done.out, "");
        EXPECT_EQ(done.err.rfind("qfjs: ", 0), 0u) << done.err;
    }
    EXPECT_NE(Run({}).err.find("usage: qfjs SCRIPT.js [-p VALUE]... [--json]"), std::string::npos);
}

TEST_F(Runner, HelpGoesToStandardOutput) {
    Finished done = Run({"--help"});
    EXPECT_EQ(done.exitStatus, 0);
    EXPECT_EQ(done.out.rfind("usage: qfjs SCRIPT.js", 0), 0u);
    EXPECT_EQ(done.err, "");
}

TEST_F(Runner, ScriptPathsMayBeAbsoluteOrStartWithADash) {
    const fs::path script = Script("-dash.js", "Print('dash')");
    EXPECT_EQ(Run({"--", "-dash.js"}).out, "dash\n");
    EXPECT_EQ(Run({script.string()}).out, "dash\n");
}

TEST_F(Runner, ScriptFileIsTheAbsolutePath) {
    const fs::path script = Script("where.js", "Print(System.ExecutingScript)");
    Finished done = Run({"./where.js"});
    EXPECT_EQ(done.exitStatus, 0);
    EXPECT_EQ(done.out, fs::canonical(script).string() + "\n");
}

TEST_F(Runner, CtrlCTerminatesTheScript) {
    Script("loop.js", "Print('started'); while (true) { try { for (;;) {} } catch (e) { Print('caught'); } }");
    const pid_t pid = Start({"loop.js"});
    ASSERT_GT(pid, 0);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (Output() != "started\n" && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (Output() != "started\n") {
        kill(pid, SIGKILL);
        Wait(pid);
        FAIL() << "the script did not start: " << Output();
    }
    kill(pid, SIGINT);
    Finished done = Wait(pid);
    EXPECT_EQ(done.exitStatus, 130);
    EXPECT_EQ(done.out, "started\n");
    EXPECT_EQ(done.err, "qfjs: interrupted\n");
}

}  // namespace
