// Scratch directories and environment variables for tests of file and
// platform services.
#ifndef QFJS_TESTS_TOOLS_TEST_UTIL_H
#define QFJS_TESTS_TOOLS_TEST_UTIL_H

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

#include <boost/filesystem.hpp>

namespace qfjs_test {

// A fresh directory, removed with everything in it when the object goes.
class TempDir {
public:
    TempDir()
        : path_(boost::filesystem::temp_directory_path() /
                boost::filesystem::unique_path("qfjs-test-%%%%-%%%%-%%%%")) {
        boost::filesystem::create_directories(path_);
    }
    ~TempDir() {
        boost::system::error_code ignored;
        boost::filesystem::permissions(path_, boost::filesystem::owner_all, ignored);
        boost::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const boost::filesystem::path& path() const { return path_; }
    std::string File(const std::string& name) const { return (path_ / name).string(); }

    // Writes `bytes` to `name` and returns the file's full path.
    std::string Write(const std::string& name, const std::string& bytes) const {
        const std::string file = File(name);
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return file;
    }

private:
    boost::filesystem::path path_;
};

// The whole content of a file, or nullopt when it cannot be opened.
inline std::optional<std::string> ReadBytes(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Sets (or, with nullptr, removes) an environment variable until the object
// goes, then restores the previous state.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        Apply(value);
    }
    ~ScopedEnv() { Apply(old_ ? old_->c_str() : nullptr); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    void Apply(const char* value) {
        if (value) {
            setenv(name_.c_str(), value, 1);
        } else {
            unsetenv(name_.c_str());
        }
    }
    std::string name_;
    std::optional<std::string> old_;
};

}  // namespace qfjs_test

#endif
