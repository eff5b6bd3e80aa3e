#include "host/console/batch_run.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "host/console/batch_description.h"
#include "host/console/batch_log.h"
#include "host/console/console_report.h"
#include "host/console/exit_status.h"
#include "host/console/file_job.h"
#include "host/console/input_listing.h"
#include "host/console/output_naming.h"
#include "host/console/script_engine.h"
#include "host/console/stop_signals.h"
#include "host/console/worker_pool.h"
#include "qfjs/qfjs.h"

namespace qfconsole {

namespace {

namespace fs = std::filesystem;

struct LibraryTextFree {
    void operator()(char* text) const { QFJS_MemFree(text); }
};

void PrintError(std::FILE* err, const std::string& message) {
    std::fprintf(err, "QuillFrame: %s\n", message.c_str());
    std::fflush(err);
}

std::string BasePath(const HostArguments& arguments) {
    std::error_code error;
    const fs::path current = fs::current_path(error);
    if (arguments.executionBasePath.empty()) return current.string();
    return fs::absolute(arguments.executionBasePath, error).lexically_normal().string();
}

// The action file's text; an empty text with *error set when it cannot be read.
bool LoadActionScript(const std::string& path, ActionScript* script, std::string* error) {
    std::error_code ignored;
    if (fs::is_directory(path, ignored)) {
        *error = "the action file " + path + " is a folder";
        return false;
    }
    const std::unique_ptr<char, LibraryTextFree> text(QFJS_LoadScript(path.c_str()));
    if (!text) {
        *error = "cannot read the action file " + path;
        return false;
    }
    script->text = text.get();
    script->path = path;
    return true;
}

std::string StartLine(const BatchDescription& d, std::size_t files, int threads) {
    std::string line = "batch started: " + std::to_string(files) + (files == 1 ? " file, " : " files, ");
    line += d.executeType == ExecuteType::kActions ? "ACTIONS " + d.actionFile : std::string("CONVERT");
    line += ", " + std::to_string(threads) + (threads == 1 ? " thread" : " threads");
    return line;
}

}  // namespace

int RunBatch(const HostArguments& arguments, std::FILE* out, std::FILE* err) {
    const std::string basePath = BasePath(arguments);
    if (arguments.executeSingleton && !arguments.silent) {
        std::fprintf(out, "There is no running QuillFrame to enqueue into in console mode; the batch runs here.\n");
        std::fflush(out);
    }

    BatchDescription description;
    std::string problem = ReadBatchDescription(arguments.macroFile, basePath, &description);
    if (!problem.empty()) {
        PrintError(err, problem);
        return kExitBadSetup;
    }
    BatchLog log;
    if (!description.logFile.empty()) {
        problem = log.Open(description.logFile);
        if (!problem.empty()) {
            PrintError(err, problem);
            return kExitBadSetup;
        }
    }
    Reporter reporter(out, err, arguments.silent, log.is_open() ? &log : nullptr);

    ActionScript script;
    if (description.executeType == ExecuteType::kActions &&
        !LoadActionScript(description.actionFile, &script, &problem)) {
        reporter.Alert("QuillFrame: " + problem);
        return kExitBadSetup;
    }

    // Declared before the signals, whose hard stop reaches into it.
    RunningScripts running;
    StopSignals signals(
        [&reporter] {
            reporter.Alert("Stopping: the files in progress are finished first; a second signal stops them at once.");
        },
        [&running] { running.TerminateAll(); });

    std::vector<InputFile> inputs;
    std::vector<PlannedFile> plan;
    problem = ListInputs(description, &inputs);
    if (problem.empty()) problem = PlanOutputs(description, inputs, &plan);
    if (!problem.empty()) {
        reporter.Alert("QuillFrame: " + problem);
        return kExitBadSetup;
    }

    const int threads = WorkerCount(arguments.threadCount, plan.size());
    if (log.is_open()) log.Write(StartLine(description, plan.size(), threads));
    if (plan.empty()) reporter.Note("No input files.");

    // The engine starts only for ACTIONS and stops after every worker (and
    // so every filter context) is gone.
    std::optional<ScriptEngine> engine;
    if (description.executeType == ExecuteType::kActions && !plan.empty()) engine.emplace();
    {
        std::vector<std::unique_ptr<FileWorker>> workers(static_cast<std::size_t>(threads));
        RunJobs(threads, plan.size(), signals.stop_requested(), [&](int worker, std::size_t job) {
            std::unique_ptr<FileWorker>& state = workers[static_cast<std::size_t>(worker)];
            if (!state) {
                state = std::make_unique<FileWorker>(description, engine ? &script : nullptr, &running,
                                                     &signals.hard_stop_requested());
            }
            const PlannedFile& file = plan[job];
            const FileOutcome outcome = state->Process(
                file, [&](const std::string& text) { reporter.ScriptMessage(file.input.path, text); });
            reporter.FileDone(file, outcome);
        });
    }
    engine.reset();

    const bool interrupted = signals.stop_requested().load();
    reporter.Finish(plan.size(), interrupted);
    const BatchCounts counts = reporter.counts();
    if (log.is_open()) {
        log.Write(std::string(interrupted ? "batch interrupted: " : "batch finished: ") +
                  std::to_string(counts.written) + " written, " + std::to_string(counts.skipped) + " skipped, " +
                  std::to_string(counts.failed) + " failed");
    }
    if (interrupted) return kExitInterrupted;
    return counts.failed > 0 ? kExitFilesFailed : kExitSuccess;
}

}  // namespace qfconsole
