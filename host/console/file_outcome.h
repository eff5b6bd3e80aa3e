// What became of one file of the batch.
#ifndef QFCONSOLE_FILE_OUTCOME_H
#define QFCONSOLE_FILE_OUTCOME_H

#include <string>

namespace qfconsole {

enum class FileResult { kWritten, kSkipped, kFailed };

struct FileOutcome {
    FileResult result = FileResult::kFailed;
    // Skipped: the reason; failed: what went wrong; written: empty.
    std::string message;

    static FileOutcome Written() { return {FileResult::kWritten, std::string()}; }
    static FileOutcome Skipped(std::string reason) { return {FileResult::kSkipped, std::move(reason)}; }
    static FileOutcome Failed(std::string message) { return {FileResult::kFailed, std::move(message)}; }
};

}  // namespace qfconsole

#endif
