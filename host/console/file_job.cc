#include "host/console/file_job.h"

#include <exception>
#include <filesystem>
#include <system_error>

#include "host/console/skip_rule.h"

namespace qfconsole {

namespace fs = std::filesystem;

namespace {

// Frees the worker's pictures when a file is done, whichever way it ends.
class FreeWhenDone {
public:
    explicit FreeWhenDone(qfhost::Factory& factory) : factory_(factory) {}
    ~FreeWhenDone() { factory_.FreeAll(); }
    FreeWhenDone(const FreeWhenDone&) = delete;
    FreeWhenDone& operator=(const FreeWhenDone&) = delete;

private:
    qfhost::Factory& factory_;
};

}  // namespace

FileWorker::FileWorker(const BatchDescription& description, const ActionScript* script, RunningScripts* running,
                       const std::atomic<bool>* hardStop)
    : description_(description) {
    if (script) runner_ = std::make_unique<ActionRunner>(factory_, *script, running, hardStop);
}

FileOutcome FileWorker::Process(const PlannedFile& file, const std::function<void(const std::string&)>& onMessage) {
    if (!file.conflict.empty()) return FileOutcome::Failed(file.conflict);
    const SkipDecision skip = DecideSkip(description_, file.input.path, file.output);
    if (skip != SkipDecision::kProcess) return FileOutcome::Skipped(SkipReasonText(skip));
    try {
        return Convert(file, onMessage);
    } catch (const std::exception& exception) {
        // Memory or a library failing for this file must not end the batch.
        return FileOutcome::Failed(std::string("unexpected failure: ") + exception.what());
    }
}

FileOutcome FileWorker::Convert(const PlannedFile& file, const std::function<void(const std::string&)>& onMessage) {
    const FreeWhenDone freeWhenDone(factory_);
    const std::string& input = file.input.path;
    std::error_code error;
    if (!fs::exists(input, error)) return FileOutcome::Failed("no such file");
    if (fs::is_directory(input, error)) return FileOutcome::Failed("this is a folder, not a picture file");

    qfhost::Picture* picture = factory_.ReadPicture(input, description_.loadOptions);
    if (!picture) return FileOutcome::Failed("cannot read the file as a PNG picture");
    if (runner_) {
        std::string failure;
        picture = runner_->Run(input, *picture, onMessage, &failure);
        if (!picture) return FileOutcome::Failed(failure);
    }

    const fs::path folder = fs::path(file.output).parent_path();
    if (!folder.empty() && !fs::is_directory(folder, error)) {
        fs::create_directories(folder, error);
        if (error) return FileOutcome::Failed("cannot make the output folder " + folder.string() + ": " + error.message());
    }
    if (!factory_.WritePicture(picture, file.output, description_.saveOptions)) {
        return FileOutcome::Failed("cannot write " + file.output);
    }
    if (description_.retainTimeStamp) {
        const fs::file_time_type time = fs::last_write_time(input, error);
        if (!error) fs::last_write_time(file.output, time, error);
        if (error) {
            return FileOutcome::Failed("written, but the source's time stamp could not be given to " + file.output +
                                       ": " + error.message());
        }
    }
    return FileOutcome::Written();
}

}  // namespace qfconsole
