// What the batch tells its user: one line per file on standard output
// (none with -Silent), the same lines in the log, and at the end a summary
// and a "Failed:" line for every file that failed (on standard error, also
// with -Silent).
//
// Lines (line breaks inside a message become " / "):
//   ok: <input> -> <output>
//   skipped: <input>: <reason> (<output>)
//   error: <input>: <message>
//   message: <input>: <text>          (Print or MessageBox in a filter script)
//   3 files: 1 written, 1 skipped, 1 failed.
//   Failed: <input>: <message>
// Every member may be called from any worker thread.
#ifndef QFCONSOLE_CONSOLE_REPORT_H
#define QFCONSOLE_CONSOLE_REPORT_H

#include <cstddef>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "host/console/batch_log.h"
#include "host/console/file_outcome.h"
#include "host/console/output_naming.h"

namespace qfconsole {

struct BatchCounts {
    std::size_t written = 0;
    std::size_t skipped = 0;
    std::size_t failed = 0;
    std::size_t done() const { return written + skipped + failed; }
};

class Reporter {
public:
    // `log` may be null; it must outlive the reporter.
    Reporter(std::FILE* out, std::FILE* err, bool silent, BatchLog* log);

    void FileDone(const PlannedFile& file, const FileOutcome& outcome);
    void ScriptMessage(const std::string& input, const std::string& text);
    // A remark for the user (standard output unless silent) and the log.
    void Note(const std::string& text);
    // An error or a notice that matters also with -Silent: standard error
    // and the log.
    void Alert(const std::string& text);

    // The summary for a batch of `total` files and the "Failed:" lines.
    void Finish(std::size_t total, bool interrupted);

    BatchCounts counts() const;

private:
    void Emit(std::FILE* stream, bool toConsole, const std::string& line);

    std::FILE* out_;
    std::FILE* err_;
    bool silent_;
    BatchLog* log_;
    mutable std::mutex mutex_;
    BatchCounts counts_;
    std::vector<std::string> failures_;  // "<input>: <message>"
};

// `text` on one line: "\r\n", "\n" and "\r" become " / ".
std::string OneLine(const std::string& text);

}  // namespace qfconsole

#endif
