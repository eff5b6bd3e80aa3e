// qfjs as a user runs it: exit statuses, what reaches standard output and
// standard error, --json, the order of -p parameters, progress, Ctrl-C.
#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "runner_process.h"

namespace runner_test {
namespace {

using Runner = RunnerTest;

TEST_F(Runner, PrintsMessagesAndStatusTexts) {
    Script("a.js", "Print('one'); MessageBox('two', 2); SetStatus('busy'); Print(); SetProgress(1, 2); Print('\\u00e9')");
    Finished done = Run({"a.js"});
    EXPECT_EQ(done.exitStatus, 0);
    EXPECT_EQ(done.out, "one\ntwo2\n\n\xC3\xA9\n");
    EXPECT_EQ(done.err, "busy\nprogress: 50%\n");
}

TEST_F(Runner, ProgressLinesOnlyWhenThePercentageChanges) {
    // 1000 reports make 101 lines; totals of 0 or less say nothing; done is
    // limited to 0..total.
    Script("p.js",
           "SetProgress(5, 0); SetProgress(1, -3);"
           "for (var i = 0; i <= 1000; i++) SetProgress(i, 1000);"
           "SetProgress(-4, 8); SetProgress(20, 8);"
           "Print(SetProgress(1, 3));");
    Finished done = Run({"p.js"});
    EXPECT_EQ(done.exitStatus, 0);
    EXPECT_EQ(done.out, "true\n");
    std::string expected;
    for (int p = 0; p <= 100; ++p) expected += "progress: " + std::to_string(p) + "%\n";
    expected += "progress: 0%\nprogress: 100%\nprogress: 33%\n";
    EXPECT_EQ(done.err, expected);

    done = Run({"--quiet", "p.js"});
    EXPECT_EQ(done.exitStatus, 0);
    EXPECT_EQ(done.err, "");
}

TEST_F(Runner, ProgressBarOnATerminal) {
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    const std::string terminal = ptsname(master);
    Script("bar.js", "SetProgress(1, 4); SetProgress(1, 4); SetStatus('half'); SetProgress(2, 4); Print('out');"
                     "SetProgress(4, 4);");
    Finished done = Wait(Start({"bar.js"}, std::string(), terminal));
    // Everything the runner wrote is waiting in the terminal.
    std::string screen;
    fcntl(master, F_SETFL, O_NONBLOCK);
    char buffer[4096];
    for (ssize_t got; (got = read(master, buffer, sizeof buffer)) > 0;) screen.append(buffer, got);
    close(master);

    EXPECT_EQ(done.exitStatus, 0);
    EXPECT_EQ(done.out, "out\n");
    // The bar is drawn in place, wiped before the status line, drawn again
    // (also for an unchanged value after a wipe), and wiped at the end. The
    // terminal turns each line end into "\r\n".
    const std::string wipe = "\r\033[K";
    EXPECT_EQ(screen, "\r[#######.......................] 25%" + wipe + "half\r\n" +
                          "\r[###############...............] 50%" +
                          "\r[##############################] 100%" + wipe);
}

TEST_F(Runner, ParametersInCommandLineOrder) {
    Script("p.js", "for (var i = 0; i < 4; i++) Print(i, '=', UserParam[i]);");
    Finished done = Run({"-p", "first", "p.js", "--param", "two words", "--json", "--param=3"});
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

TEST_F(Runner, VersionEightResultJsonNamesTheResultPicture) {
    // ResultPicture is a picture of the run; assigning something else leaves
    // none.
    Script("v8.js", "SetVersion(8)");
    Finished done = Run({"--json", "v8.js"});
    EXPECT_EQ(done.exitStatus, 0);
    EXPECT_EQ(done.out.rfind(R"({"ErrorMessage":"","ScriptResult":0,"V8ResultPicture":")", 0), 0u) << done.out;
    EXPECT_EQ(done.out.find(R"("V8ResultPicture":"0")"), std::string::npos) << done.out;

    Script("none.js", "SetVersion(8); ResultPicture = 5;");
    done = Run({"--json", "none.js"});
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
        Finished done = Run({"fail.js", "-o", "never.png"});
        EXPECT_EQ(done.exitStatus, 1);
        EXPECT_EQ(done.out, "");
        EXPECT_EQ(done.err, c.err);
        EXPECT_FALSE(fs::exists(dir_ / "never.png"));
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
    Script("not-a-picture.png", "just text");
    fs::create_directory(dir_ / "folder");
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
        {"ok.js", "-i"},
        {"ok.js", "--in="},
        {"ok.js", "-i", "missing.png"},
        {"ok.js", "-i", "not-a-picture.png"},
        {"ok.js", "-i", "folder"},
        {"ok.js", "-o", "a.png", "--out", "b.png"},
        {"ok.js", "-o", "no-such-folder/a.png"},
        {"ok.js", "-o", "folder"},
        {"ok.js", "--selection", "1,2,3"},
        {"ok.js", "--selection", "1,2,-3,4"},
        {"ok.js", "--selection", "1,2,3,4.5"},
        {"ok.js", "--selection=a,b,c,d"},
        {"ok.js", "--selection", "2147483647,0,1,1"},
        {"ok.js", "--color", "1,2"},
        {"ok.js", "--color", "300,0,0"},
        {"ok.js", "--color", "1,2,3,4,256"},
        {"ok.js", "--color", "1,2,3,4,5.5"},
        {"ok.js", "--color", "1,2,3,4,5,6"},
        {"ok.js", "--color", "nan,0,0"},
    };
    for (const auto& args : commandLines) {
        std::string trace;
        for (const std::string& a : args) trace += a + " ";
        SCOPED_TRACE(trace.size() > 80 ? trace.substr(0, 80) + "..." : trace);
        Finished done = Run(args);
        EXPECT_EQ(done.exitStatus, 2);
        EXPECT_EQ(done.out, "");
        EXPECT_EQ(done.err.rfind("qfjs: ", 0), 0u) << done.err;
    }
    EXPECT_NE(Run({}).err.find("usage: qfjs [options] SCRIPT.js"), std::string::npos);
    EXPECT_EQ(Run({"ok.js", "-i", "missing.png"}).err, "qfjs: cannot read the picture missing.png: no such file\n");
}

TEST_F(Runner, HelpGoesToStandardOutput) {
    Finished done = Run({"--help"});
    EXPECT_EQ(done.exitStatus, 0);
    EXPECT_EQ(done.out.rfind("usage: qfjs [options] SCRIPT.js", 0), 0u);
    for (const char* option : {"--in", "--out", "--param", "--selection", "--color", "--json", "--quiet"}) {
        EXPECT_NE(done.out.find(option), std::string::npos) << option;
    }
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
    // Both versions: the endless loop swallows ordinary exceptions, and the
    // version 7 run has already fetched its source.
    const char* scripts[] = {
        "Print('started'); while (true) { try { for (;;) {} } catch (e) { Print('caught'); } }",
        "SetVersion(7); var l = Image.CreateCopyLayer(0); Print('started'); for (;;) { l.PixelAt(0, 0).r = 1; }",
    };
    for (const char* text : scripts) {
        SCOPED_TRACE(text);
        Script("loop.js", text);
        const pid_t pid = Start({"loop.js", "-o", "never.png"});
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
        EXPECT_FALSE(fs::exists(dir_ / "never.png"));
    }
}

}  // namespace
}  // namespace runner_test
