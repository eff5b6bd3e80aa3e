// One worker's processing of one file: the skip check, loading, the action
// (ACTIONS) or nothing (CONVERT), saving, and the time stamp.
#ifndef QFCONSOLE_FILE_JOB_H
#define QFCONSOLE_FILE_JOB_H

#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include "host/console/action_runner.h"
#include "host/console/batch_description.h"
#include "host/console/file_outcome.h"
#include "host/console/output_naming.h"
#include "host/lib/qfhost.h"

namespace qfconsole {

class RunningScripts;

// The state of one worker thread: its own host factory and, for ACTIONS, its
// own filter context. Used by one thread at a time.
class FileWorker {
public:
    // `script` is null for CONVERT; otherwise the engine must be started and
    // the script must outlive the worker. `running` and `hardStop` may be null.
    FileWorker(const BatchDescription& description, const ActionScript* script, RunningScripts* running,
               const std::atomic<bool>* hardStop);
    FileWorker(const FileWorker&) = delete;
    FileWorker& operator=(const FileWorker&) = delete;

    // Processes one file; script messages go to `onMessage`. Everything the
    // file needed is freed before it returns.
    FileOutcome Process(const PlannedFile& file, const std::function<void(const std::string&)>& onMessage);

    const ActionRunner* runner() const { return runner_.get(); }

private:
    FileOutcome Convert(const PlannedFile& file, const std::function<void(const std::string&)>& onMessage);

    const BatchDescription& description_;
    qfhost::Factory factory_;
    std::unique_ptr<ActionRunner> runner_;
};

}  // namespace qfconsole

#endif
