// Command lines of System.Execute and System.Spawn: word splitting and the
// search for the program in PATH.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>
#include <vector>

#include "tests/tools/test_util.h"
#include "tools/command_line.h"

namespace {

using qfjs_test::ScopedEnv;
using qfjs_test::TempDir;
using qfjsbinding::FindProgramInPath;
using qfjsbinding::SplitCommandLine;
using Words = std::vector<std::string>;

TEST(CommandLine, SplitsAtSpacesOutsideQuotes) {
    const std::pair<const char*, Words> cases[] = {
        {"", {}},
        {"   ", {}},
        {"echo a b", {"echo", "a", "b"}},
        {"  echo   a  ", {"echo", "a"}},
        {"sh -c \"exit 7\"", {"sh", "-c", "exit 7"}},
        {"say \"\"", {"say", ""}},
        {"a\"b c\"d", {"a\"b c\"d"}},
        {"echo \\\"x\\\"", {"echo", "\"x\""}},
        {"tab\tkept", {"tab\tkept"}},
        {"\"", {"\""}},
        {"open \"unterminated quote", {"open", "\"unterminated quote"}},
    };
    for (const auto& [line, words] : cases) {
        EXPECT_EQ(SplitCommandLine(line), words) << line;
    }
}

void MakeFile(const TempDir& dir, const std::string& name, mode_t mode) {
    dir.Write(name, "#!/bin/sh\n");
    chmod(dir.File(name).c_str(), mode);
}

TEST(CommandLine, FindsTheFirstExecutableFileInPath) {
    TempDir first;
    TempDir second;
    TempDir third;
    MakeFile(first, "tool", 0644);  // not executable
    boost::filesystem::create_directory(second.path() / "tool");  // a directory
    MakeFile(third, "tool", 0755);
    const std::string path = first.path().string() + ":" + second.path().string() + ":" + third.path().string();
    ScopedEnv env("PATH", path.c_str());
    EXPECT_EQ(FindProgramInPath("tool"), third.File("tool"));
    EXPECT_EQ(FindProgramInPath("no-such-tool"), "");
    EXPECT_EQ(FindProgramInPath(""), "");
}

TEST(CommandLine, ThePathItselfIsNotSearchedForWordsWithSlash) {
    ScopedEnv env("PATH", "/nonexistent");
    EXPECT_EQ(FindProgramInPath("./tool"), "./tool");
    EXPECT_EQ(FindProgramInPath("/bin/sh"), "/bin/sh");
}

TEST(CommandLine, ProgramsInTheCurrentDirectoryAreNotFoundUnlessPathSaysSo) {
    TempDir dir;
    MakeFile(dir, "local-tool", 0755);
    const boost::filesystem::path previous = boost::filesystem::current_path();
    boost::filesystem::current_path(dir.path());
    {
        ScopedEnv env("PATH", "/nonexistent");
        EXPECT_EQ(FindProgramInPath("local-tool"), "");
    }
    {
        ScopedEnv env("PATH", "/nonexistent::");
        EXPECT_EQ(FindProgramInPath("local-tool"), "./local-tool");
    }
    boost::filesystem::current_path(previous);
}

TEST(CommandLine, UnsetPathMeansTheSystemDefault) {
    ScopedEnv env("PATH", nullptr);
    const std::string sh = FindProgramInPath("sh");
    EXPECT_FALSE(sh.empty());
    EXPECT_EQ(boost::filesystem::path(sh).filename(), "sh");
}

}  // namespace
