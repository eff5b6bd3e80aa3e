// Helpers for the console host's tests: a scratch folder tree, tiny PNG
// files written and read with the reference host's PNG functions, and
// running a program with its output captured.
#ifndef QFCONSOLE_TESTS_CONSOLE_TEST_SUPPORT_H
#define QFCONSOLE_TESTS_CONSOLE_TEST_SUPPORT_H

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "host/lib/pixel.h"
#include "host/lib/rgba_image.h"

namespace qfconsole_test {

// A scratch folder removed with everything in it at the end of the scope.
// Its path has symbolic links resolved, so it compares with the paths the
// host prints.
class ScratchTree {
public:
    ScratchTree();
    ~ScratchTree();
    ScratchTree(const ScratchTree&) = delete;
    ScratchTree& operator=(const ScratchTree&) = delete;

    const std::string& root() const { return root_; }
    // The absolute path of `relative` below the root.
    std::string Path(const std::string& relative) const { return root_ + "/" + relative; }
    // Writes a text file (making its folder) and returns its absolute path.
    std::string WriteText(const std::string& relative, const std::string& text) const;
    // Writes a w x h RGB PNG whose pixel (x, y) is `color(x, y)` (making
    // its folder) and returns its absolute path.
    std::string WritePng(const std::string& relative, int width, int height,
                         const std::function<qfhost::Rgba(int, int)>& color) const;
    bool Exists(const std::string& relative) const;
    // The regular files below the root, relative and sorted.
    std::vector<std::string> Files() const;

private:
    std::string root_;
};

// A small picture whose every pixel differs from its neighbours, so a
// flipped, shifted or untouched result is told apart from the expected one.
qfhost::Rgba Pattern(int x, int y);
qfhost::Rgba Inverted(qfhost::Rgba color);

// The pixels of a PNG file as RGBA (alpha 255 for files without alpha);
// an empty image when it cannot be read.
qfhost::RgbaImage ReadPixels(const std::string& path);
// "" when the PNG at `path` is `width` x `height` with pixel (x, y) equal
// to `expected(x, y)` (alpha ignored), else what differs.
std::string ComparePixels(const std::string& path, int width, int height,
                          const std::function<qfhost::Rgba(int, int)>& expected);

std::string ReadFile(const std::string& path);

struct ProgramResult {
    int status = -1;  // exit status; -1 when the program did not exit normally
    std::string out;
    std::string err;
};

// A program started with its standard output and error going to files.
class Program {
public:
    // argv[0] is the program's path. Runs in `cwd` (unchanged when empty).
    Program(const std::vector<std::string>& argv, const std::string& cwd);
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    pid_t pid() const { return pid_; }
    // What the program has written to its standard error so far.
    std::string ErrorSoFar() const;
    // Waits for the end (killing the program after a generous safety limit,
    // which makes the status -1) and returns what it printed.
    ProgramResult Wait();

private:
    pid_t pid_ = -1;
    std::string outPath_;
    std::string errPath_;
    bool waited_ = false;
};

ProgramResult RunProgram(const std::vector<std::string>& argv, const std::string& cwd = std::string());

// Waits until `path` exists, for at most a generous safety limit.
bool WaitForFile(const std::string& path);
// Waits until `condition` holds, for at most the same limit.
bool WaitUntil(const std::function<bool()>& condition);

// The lines of a text, without their line ends.
std::vector<std::string> Lines(const std::string& text);
// How many lines of `text` start with `prefix`.
int CountLinesStartingWith(const std::string& text, const std::string& prefix);

}  // namespace qfconsole_test

#endif
