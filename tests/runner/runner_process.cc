#include "runner_process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

extern char** environ;

namespace runner_test {

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

qfhost::RgbaImage ReadPicture(const fs::path& path) {
    qfhost::PngImage png;
    qfhost::RgbaImage image;
    if (!qfhost::ReadPngFile(path.string(), false, &png) || png.indexed) return image;
    image = qfhost::RgbaImage(png.width, png.height, png.has_alpha);
    image.pixels = png.pixels;
    return image;
}

fs::path ExamplesDir() { return fs::path(QFJS_SOURCE_DIR) / "examples"; }

void RunnerTest::SetUp() {
    std::string pattern = (fs::temp_directory_path() / "qfjs-runner-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
}

void RunnerTest::TearDown() {
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
}

fs::path RunnerTest::Script(const std::string& name, const std::string& text) {
    const fs::path path = dir_ / name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

pid_t RunnerTest::Start(const std::vector<std::string>& args, const std::string& program,
                        const std::string& errPath) {
    const std::string path = program.empty() ? std::string(QFJS_RUNNER_PATH) : program;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, (dir_ / "out").c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    const std::string err = errPath.empty() ? (dir_ / "err").string() : errPath;
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    // Relative paths are taken from the folder.
    posix_spawn_file_actions_addchdir_np(&actions, dir_.c_str());
    std::vector<std::string> words = args;
    words.insert(words.begin(), path);
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, path.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    EXPECT_EQ(rc, 0) << "cannot start " << path;
    return rc == 0 ? pid : -1;
}

Finished RunnerTest::Wait(pid_t pid) {
    Finished done;
    int status = 0;
    if (pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status)) done.exitStatus = WEXITSTATUS(status);
    done.out = ReadFile(dir_ / "out");
    done.err = ReadFile(dir_ / "err");
    return done;
}

}  // namespace runner_test
