#include "host/runner/script_run.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include <picojson.h>

#include "host/lib/qfhost.h"
#include "host/runner/console_host.h"
#include "host/runner/interrupt_watcher.h"
#include "host/runner/progress_meter.h"
#include "host/runner/result_output.h"
#include "host/runner/source_pictures.h"
#include "host/runner/v7_source.h"
#include "qfjs/qfjs.h"

namespace qfjs_runner {

namespace {

namespace fs = std::filesystem;

struct LibraryTextFree {
    void operator()(char* text) const { QFJS_MemFree(text); }
};
using LibraryText = std::unique_ptr<char, LibraryTextFree>;

// The engine's fatal conditions end the run; there is nothing to save.
void OnFatalError(const char* location, const char* message) {
    std::fprintf(stderr, "qfjs: script engine fatal error in %s: %s\n", location ? location : "?",
                 message ? message : "");
    _exit(kExitScriptFailed);
}

void OnOutOfMemory(const char* location) {
    std::fprintf(stderr, "qfjs: script engine out of memory in %s\n", location ? location : "?");
    _exit(kExitScriptFailed);
}

// The engine, started for the run and stopped after it.
class Engine {
public:
    Engine() {
        QFJS_INFO info{OnFatalError, OnOutOfMemory};
        QFJS_Initialize(info);
    }
    ~Engine() { QFJS_Uninitialize(); }
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;
};

// A filter context on the run's factory; destroying it releases the
// factory's objects, so everything the result names is read before.
class FilterContext {
public:
    explicit FilterContext(qfhost::Factory& factory) : handle_(QFJS_FilterCreateContext(&factory)) {}
    ~FilterContext() {
        if (handle_ != 0) QFJS_FilterDestroyContext(handle_);
    }
    FilterContext(const FilterContext&) = delete;
    FilterContext& operator=(const FilterContext&) = delete;
    QFJS_HANDLE handle() const { return handle_; }

private:
    QFJS_HANDLE handle_;
};

// The path scripts see as their own: absolute, symbolic links resolved.
std::string AbsoluteScriptPath(const std::string& path) {
    std::error_code error;
    fs::path absolute = fs::canonical(path, error);
    if (error) absolute = fs::absolute(path, error);
    return error ? path : absolute.string();
}

void WriteLine(std::FILE* stream, const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stream);
    std::fputc('\n', stream);
    std::fflush(stream);
}

// An empty text when the output's folder exists, else why it cannot be
// written; checked before the run so that a long script is not run for
// nothing.
std::string CheckOutputFolder(const std::string& output) {
    std::error_code ignored;
    if (fs::is_directory(output, ignored)) return "cannot write the picture " + output + ": it is a folder";
    const fs::path folder = fs::path(output).parent_path();
    if (folder.empty() || fs::is_directory(folder, ignored)) return std::string();
    return "cannot write the picture " + output + ": there is no folder " + folder.string();
}

qfhost::Document* MakeDocument(qfhost::Factory& factory, const RunnerOptions& options, const std::string& path) {
    qfhost::Document* document = factory.NewDocument(path);
    if (!document) return nullptr;
    if (options.selection) {
        document->Select(options.selection->left, options.selection->top, options.selection->width,
                         options.selection->height);
    }
    document->set_current_color(qfhost::DocumentColor{options.color.r, options.color.g, options.color.b,
                                                      options.color.a, options.color.index});
    return document;
}

}  // namespace

int RunScriptFile(const RunnerOptions& options, std::FILE* out, std::FILE* err) {
    std::error_code ignored;
    if (fs::is_directory(options.scriptPath, ignored)) {
        WriteLine(err, "qfjs: " + options.scriptPath + " is a folder, not a script");
        return kExitUsage;
    }
    LibraryText script(QFJS_LoadScript(options.scriptPath.c_str()));
    if (!script) {
        WriteLine(err, "qfjs: cannot read the script " + options.scriptPath);
        return kExitUsage;
    }
    if (!options.output.empty()) {
        const std::string problem = CheckOutputFolder(options.output);
        if (!problem.empty()) {
            WriteLine(err, "qfjs: " + problem);
            return kExitUsage;
        }
    }

    // Declared before the context, which releases the factory when it goes.
    qfhost::Factory factory;
    V7Source v7;
    SourcePictures sources;
    const std::string loadError = LoadSourcePictures(factory, options.inputs, &v7, &sources);
    if (!loadError.empty()) {
        WriteLine(err, "qfjs: " + loadError);
        return kExitUsage;
    }
    // ResultPicture starts as a copy of the source made before the run.
    qfhost::Picture* target = sources.picture->Copy();
    qfhost::Document* document = MakeDocument(factory, options, sources.firstPath);
    if (!target || !document) {
        WriteLine(err, "qfjs: not enough memory for the pictures");
        return kExitScriptFailed;
    }

    Engine engine;
    FilterContext context(factory);
    if (context.handle() == 0) {
        WriteLine(err, "qfjs: the script engine could not make a script context");
        return kExitScriptFailed;
    }
    ProgressMeter progress(err, ProgressMeter::StyleFor(err, options.quiet), isatty(fileno(out)) != 0);
    const ConsoleHost host(out, err, progress, v7);
    const std::string request = host.BuildRequest(
        options, AbsoluteScriptPath(options.scriptPath),
        RequestObjects{sources.firstFileName, sources.picture, target, document});

    int status = 0;
    char* resultText = nullptr;
    bool interrupted = false;
    {
        InterruptWatcher watcher(context.handle());
        status = QFJS_FilterExecute(context.handle(), script.get(), request.c_str(), &resultText);
        interrupted = watcher.interrupted();
    }
    const LibraryText result(resultText);
    progress.Wipe();

    if (interrupted) {
        WriteLine(err, "qfjs: interrupted");
        return kExitInterrupted;
    }
    if (status != 0) {
        WriteLine(err, "qfjs: the script engine refused the request (status " + std::to_string(status) + ")" +
                           (result ? std::string(": ") + result.get() : std::string()));
        return kExitScriptFailed;
    }

    const std::string resultString = result ? result.get() : "";
    picojson::value parsed;
    const std::string syntax = picojson::parse(parsed, resultString);
    if (!syntax.empty() || !parsed.is<picojson::object>() || !parsed.get("ScriptResult").is<double>()) {
        WriteLine(err, "qfjs: unreadable result from the script engine: " + resultString);
        return kExitScriptFailed;
    }
    if (options.json) WriteLine(out, resultString);
    if (parsed.get("ScriptResult").get<double>() != 0) {
        const picojson::value& message = parsed.get("ErrorMessage");
        const std::string text = message.is<std::string>() ? message.get<std::string>() : std::string();
        WriteLine(err, text.empty() ? "qfjs: the script ended with result " + parsed.get("ScriptResult").to_str()
                                    : text);
        return kExitScriptFailed;
    }
    if (options.output.empty()) return kExitSuccess;

    const OutputOutcome written = WriteResultPicture(parsed, factory, *sources.picture, options.output);
    switch (written.kind) {
        case OutputOutcome::Kind::kWritten:
            if (!written.message.empty() && !options.quiet) WriteLine(err, written.message);
            return kExitSuccess;
        case OutputOutcome::Kind::kNoPicture:
            WriteLine(err, "qfjs: " + written.message);
            return kExitScriptFailed;
        case OutputOutcome::Kind::kWriteFailed:
            WriteLine(err, "qfjs: " + written.message);
            return kExitUsage;
    }
    return kExitScriptFailed;
}

}  // namespace qfjs_runner
