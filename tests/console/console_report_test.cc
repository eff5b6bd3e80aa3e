// The lines the batch prints and logs.
#include <cstdio>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "console_test_support.h"
#include "host/console/batch_log.h"
#include "host/console/console_report.h"

namespace qfconsole {
namespace {

using qfconsole_test::Lines;
using qfconsole_test::ScratchTree;

// A FILE* whose content can be read back.
class CapturedStream {
public:
    CapturedStream() : file_(std::tmpfile()) {}
    ~CapturedStream() { std::fclose(file_); }
    std::FILE* get() const { return file_; }
    std::string Text() const {
        std::fflush(file_);
        std::rewind(file_);
        std::string text;
        char buffer[256];
        std::size_t got;
        while ((got = std::fread(buffer, 1, sizeof buffer, file_)) > 0) text.append(buffer, got);
        return text;
    }

private:
    std::FILE* file_;
};

PlannedFile File(const std::string& input, const std::string& output) { return {{input, ""}, output, ""}; }

void ReportSample(Reporter& reporter) {
    reporter.FileDone(File("/in/a.png", "/out/a.png"), FileOutcome::Written());
    reporter.ScriptMessage("/in/b.png", "line one\nline two");
    reporter.FileDone(File("/in/b.png", "/out/b.png"), FileOutcome::Failed("the script failed: boom\r\nat 3"));
    reporter.FileDone(File("/in/c.png", "/out/c.png"), FileOutcome::Skipped("the output exists"));
    reporter.Finish(5, true);
}

TEST(ReporterTest, PrintsOneLinePerFileAndNamesTheFailures) {
    CapturedStream out;
    CapturedStream err;
    Reporter reporter(out.get(), err.get(), false, nullptr);
    ReportSample(reporter);
    EXPECT_EQ(Lines(out.Text()),
              (std::vector<std::string>{"ok: /in/a.png -> /out/a.png", "message: /in/b.png: line one / line two",
                                        "error: /in/b.png: the script failed: boom / at 3",
                                        "skipped: /in/c.png: the output exists (/out/c.png)",
                                        "5 files: 1 written, 1 skipped, 1 failed, 2 not started (interrupted)."}));
    EXPECT_EQ(Lines(err.Text()),
              (std::vector<std::string>{
                  "Failed: /in/b.png: the script failed: boom / at 3",
                  "Interrupted: the files in progress were finished, the rest was not started."}));
    const BatchCounts counts = reporter.counts();
    EXPECT_EQ(counts.written, 1u);
    EXPECT_EQ(counts.skipped, 1u);
    EXPECT_EQ(counts.failed, 1u);
}

TEST(ReporterTest, SilentKeepsOnlyTheFailuresButLogsEverything) {
    ScratchTree tree;
    BatchLog log;
    ASSERT_EQ(log.Open(tree.Path("logs/new/batch.log")), "");
    CapturedStream out;
    CapturedStream err;
    Reporter reporter(out.get(), err.get(), true, &log);
    ReportSample(reporter);
    EXPECT_EQ(out.Text(), "");
    EXPECT_EQ(qfconsole_test::CountLinesStartingWith(err.Text(), "Failed: /in/b.png"), 1);

    const std::vector<std::string> logged = Lines(qfconsole_test::ReadFile(tree.Path("logs/new/batch.log")));
    ASSERT_EQ(logged.size(), 7u);
    // "2024-05-01T21:30:05+0200 " before each line.
    for (const std::string& line : logged) {
        ASSERT_GT(line.size(), 25u);
        const std::string stamp = line.substr(0, 24);
        EXPECT_EQ(stamp[4], '-') << line;
        EXPECT_EQ(stamp[10], 'T') << line;
        EXPECT_EQ(stamp[13], ':') << line;
        EXPECT_TRUE(stamp[19] == '+' || stamp[19] == '-') << line;
        EXPECT_EQ(line[24], ' ') << line;
    }
    EXPECT_EQ(logged[0].substr(25), "ok: /in/a.png -> /out/a.png");
    EXPECT_EQ(logged[5].substr(25), "Failed: /in/b.png: the script failed: boom / at 3");
}

TEST(BatchLogTest, AppendsToAnExistingLogAndReportsAnUnwritableOne) {
    ScratchTree tree;
    const std::string path = tree.WriteText("batch.log", "earlier run\n");
    {
        BatchLog log;
        ASSERT_EQ(log.Open(path), "");
        log.Write("this run");
    }
    const std::vector<std::string> lines = Lines(qfconsole_test::ReadFile(path));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "earlier run");
    EXPECT_EQ(lines[1].substr(25), "this run");

    BatchLog folder;
    const std::string problem = folder.Open(tree.root());
    EXPECT_NE(problem.find("cannot write the log file"), std::string::npos) << problem;
    EXPECT_FALSE(folder.is_open());
}

}  // namespace
}  // namespace qfconsole
