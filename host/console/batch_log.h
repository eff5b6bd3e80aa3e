// The batch log ("SaveLog"/"LogFile"): a UTF-8 text file that every run
// appends to, one line per event with the local time in front:
//   2024-05-01T21:30:05+0200 batch started: 3 files, ACTIONS /s/invert.js, 2 threads
//   2024-05-01T21:30:05+0200 ok: /in/a.png -> /out/a.png
//   2024-05-01T21:30:06+0200 error: /in/b.png: cannot read the file as a PNG picture
//   2024-05-01T21:30:06+0200 batch finished: 1 written, 0 skipped, 1 failed
// Lines may come from several workers; each is written whole.
#ifndef QFCONSOLE_BATCH_LOG_H
#define QFCONSOLE_BATCH_LOG_H

#include <cstdio>
#include <ctime>
#include <memory>
#include <mutex>
#include <string>

namespace qfconsole {

class BatchLog {
public:
    // Opens (creating the folder when needed) the file for appending.
    // Returns an empty text on success, else why it cannot be written.
    std::string Open(const std::string& path);
    bool is_open() const { return file_ != nullptr; }
    // Writes one line; does nothing when no file is open.
    void Write(const std::string& text);

private:
    struct Closer {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };
    std::mutex mutex_;
    std::unique_ptr<std::FILE, Closer> file_;
};

// The time stamp of a log line: local time, ISO 8601 with the UTC offset.
std::string LogTimestamp(std::time_t time);

}  // namespace qfconsole

#endif
