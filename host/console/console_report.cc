#include "host/console/console_report.h"

namespace qfconsole {

std::string OneLine(const std::string& text) {
    std::string line;
    line.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            line += " / ";
        } else {
            line += text[i];
        }
    }
    return line;
}

Reporter::Reporter(std::FILE* out, std::FILE* err, bool silent, BatchLog* log)
    : out_(out), err_(err), silent_(silent), log_(log) {}

void Reporter::Emit(std::FILE* stream, bool toConsole, const std::string& line) {
    // Called with mutex_ held, so lines of different workers never mix.
    if (toConsole) {
        std::fwrite(line.data(), 1, line.size(), stream);
        std::fputc('\n', stream);
        std::fflush(stream);
    }
    if (log_) log_->Write(line);
}

void Reporter::FileDone(const PlannedFile& file, const FileOutcome& outcome) {
    std::lock_guard<std::mutex> lock(mutex_);
    const std::string& input = file.input.path;
    switch (outcome.result) {
        case FileResult::kWritten:
            ++counts_.written;
            Emit(out_, !silent_, "ok: " + input + " -> " + file.output);
            break;
        case FileResult::kSkipped:
            ++counts_.skipped;
            Emit(out_, !silent_, "skipped: " + input + ": " + OneLine(outcome.message) + " (" + file.output + ")");
            break;
        case FileResult::kFailed:
            ++counts_.failed;
            failures_.push_back(input + ": " + OneLine(outcome.message));
            Emit(out_, !silent_, "error: " + failures_.back());
            break;
    }
}

void Reporter::ScriptMessage(const std::string& input, const std::string& text) {
    std::lock_guard<std::mutex> lock(mutex_);
    Emit(out_, !silent_, "message: " + input + ": " + OneLine(text));
}

void Reporter::Note(const std::string& text) {
    std::lock_guard<std::mutex> lock(mutex_);
    Emit(out_, !silent_, OneLine(text));
}

void Reporter::Alert(const std::string& text) {
    std::lock_guard<std::mutex> lock(mutex_);
    Emit(err_, true, OneLine(text));
}

void Reporter::Finish(std::size_t total, bool interrupted) {
    std::lock_guard<std::mutex> lock(mutex_);
    std::string summary = std::to_string(total) + (total == 1 ? " file: " : " files: ") +
                          std::to_string(counts_.written) + " written, " + std::to_string(counts_.skipped) +
                          " skipped, " + std::to_string(counts_.failed) + " failed";
    if (interrupted) {
        summary += ", " + std::to_string(total - counts_.done()) + " not started (interrupted)";
    }
    Emit(out_, !silent_, summary + ".");
    for (const std::string& failure : failures_) Emit(err_, true, "Failed: " + failure);
    if (interrupted) {
        Emit(err_, true, "Interrupted: the files in progress were finished, the rest was not started.");
    }
}

BatchCounts Reporter::counts() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return counts_;
}

}  // namespace qfconsole
