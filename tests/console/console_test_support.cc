#include "console_test_support.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <thread>

#include "host/lib/png_io.h"

namespace qfconsole_test {

namespace fs = std::filesystem;

namespace {

// Far beyond what any of these runs needs; only a hung program reaches it.
constexpr auto kSafetyLimit = std::chrono::seconds(120);

}  // namespace

ScratchTree::ScratchTree() {
    std::string pattern = (fs::temp_directory_path() / "qfconsole-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    root_ = fs::canonical(pattern).string();
}

ScratchTree::~ScratchTree() {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
}

std::string ScratchTree::WriteText(const std::string& relative, const std::string& text) const {
    const fs::path path = Path(relative);
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
    return path.string();
}

std::string ScratchTree::WritePng(const std::string& relative, int width, int height,
                                  const std::function<qfhost::Rgba(int, int)>& color) const {
    const fs::path path = Path(relative);
    fs::create_directories(path.parent_path());
    qfhost::RgbaImage image(width, height, false);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            qfhost::Rgba c = color(x, y);
            c.a = 255;
            image.Set(x, y, c);
        }
    }
    if (!qfhost::WritePngFile(path.string(), image, false)) throw std::runtime_error("cannot write " + path.string());
    return path.string();
}

bool ScratchTree::Exists(const std::string& relative) const {
    std::error_code ignored;
    return fs::exists(Path(relative), ignored);
}

std::vector<std::string> ScratchTree::Files() const {
    std::vector<std::string> files;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root_)) {
        if (entry.is_regular_file()) files.push_back(entry.path().lexically_relative(root_).string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

qfhost::Rgba Pattern(int x, int y) {
    return qfhost::Rgba{static_cast<std::uint8_t>(10 + 40 * x), static_cast<std::uint8_t>(20 + 50 * y),
                        static_cast<std::uint8_t>(5 + 30 * x + 60 * y), 255};
}

qfhost::Rgba Inverted(qfhost::Rgba c) {
    return qfhost::Rgba{static_cast<std::uint8_t>(255 - c.r), static_cast<std::uint8_t>(255 - c.g),
                        static_cast<std::uint8_t>(255 - c.b), c.a};
}

qfhost::RgbaImage ReadPixels(const std::string& path) {
    qfhost::PngImage png;
    qfhost::RgbaImage image;
    if (!qfhost::ReadPngFile(path, false, &png) || png.indexed) return image;
    image.width = png.width;
    image.height = png.height;
    image.has_alpha = png.has_alpha;
    image.pixels = png.pixels;
    return image;
}

std::string ComparePixels(const std::string& path, int width, int height,
                          const std::function<qfhost::Rgba(int, int)>& expected) {
    const qfhost::RgbaImage image = ReadPixels(path);
    if (image.empty()) return path + " is not a readable PNG file";
    if (image.width != width || image.height != height) {
        return path + " is " + std::to_string(image.width) + " x " + std::to_string(image.height) + ", expected " +
               std::to_string(width) + " x " + std::to_string(height);
    }
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const qfhost::Rgba got = image.At(x, y);
            const qfhost::Rgba want = expected(x, y);
            if (got.r != want.r || got.g != want.g || got.b != want.b) {
                return path + ": pixel (" + std::to_string(x) + ", " + std::to_string(y) + ") is " +
                       std::to_string(got.r) + "," + std::to_string(got.g) + "," + std::to_string(got.b) +
                       ", expected " + std::to_string(want.r) + "," + std::to_string(want.g) + "," +
                       std::to_string(want.b);
            }
        }
    }
    return std::string();
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

Program::Program(const std::vector<std::string>& argvWords, const std::string& cwd) {
    std::string pattern = (fs::temp_directory_path() / "qfconsole-out-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    outPath_ = pattern + "/stdout";
    errPath_ = pattern + "/stderr";
    std::vector<std::string> words = argvWords;
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);

    pid_ = ::fork();
    if (pid_ < 0) throw std::runtime_error("fork failed");
    if (pid_ == 0) {
        // Only async-signal-safe calls between fork and exec.
        if (!cwd.empty() && ::chdir(cwd.c_str()) != 0) ::_exit(126);
        const int out = ::open(outPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = ::open(errPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (out < 0 || err < 0 || ::dup2(out, 1) < 0 || ::dup2(err, 2) < 0) ::_exit(126);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
}

Program::~Program() {
    if (!waited_) Wait();
    std::error_code ignored;
    fs::remove_all(fs::path(outPath_).parent_path(), ignored);
}

std::string Program::ErrorSoFar() const { return ReadFile(errPath_); }

ProgramResult Program::Wait() {
    ProgramResult result;
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + kSafetyLimit;
    for (;;) {
        const pid_t done = ::waitpid(pid_, &status, WNOHANG);
        if (done == pid_) break;
        if (done < 0) {
            status = -1;
            break;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    waited_ = true;
    result.status = status >= 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = ReadFile(outPath_);
    result.err = ReadFile(errPath_);
    return result;
}

ProgramResult RunProgram(const std::vector<std::string>& argv, const std::string& cwd) {
    Program program(argv, cwd);
    return program.Wait();
}

bool WaitUntil(const std::function<bool()>& condition) {
    const auto deadline = std::chrono::steady_clock::now() + kSafetyLimit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

bool WaitForFile(const std::string& path) {
    return WaitUntil([&path] {
        std::error_code ignored;
        return fs::exists(path, ignored);
    });
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

int CountLinesStartingWith(const std::string& text, const std::string& prefix) {
    int count = 0;
    for (const std::string& line : Lines(text)) {
        if (line.compare(0, prefix.size(), prefix) == 0) ++count;
    }
    return count;
}

}  // namespace qfconsole_test
