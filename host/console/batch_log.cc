#include "host/console/batch_log.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace qfconsole {

std::string LogTimestamp(std::time_t time) {
    std::tm local{};
    if (localtime_r(&time, &local) == nullptr) return "?";
    char text[64];
    const std::size_t length = std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S%z", &local);
    return std::string(text, length);
}

std::string BatchLog::Open(const std::string& path) {
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    std::error_code ignored;
    if (!folder.empty()) std::filesystem::create_directories(folder, ignored);
    std::FILE* file = std::fopen(path.c_str(), "ab");
    if (!file) return "cannot write the log file " + path + ": " + std::strerror(errno);
    std::lock_guard<std::mutex> lock(mutex_);
    file_.reset(file);
    return std::string();
}

void BatchLog::Write(const std::string& text) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!file_) return;
    const std::string line = LogTimestamp(std::time(nullptr)) + " " + text + "\n";
    std::fwrite(line.data(), 1, line.size(), file_.get());
    // A batch that is killed keeps what it logged so far.
    std::fflush(file_.get());
}

}  // namespace qfconsole
