#include "host/runner/script_run.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include <picojson.h>

#include "host/runner/console_host.h"
#include "host/runner/interrupt_watcher.h"
#include "qfjs/qfjs.h"

namespace qfjs_runner {

namespace {

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

class FilterContext {
public:
    FilterContext() : handle_(QFJS_FilterCreateContext(nullptr)) {}
    ~FilterContext() { QFJS_FilterDestroyContext(handle_); }
    FilterContext(const FilterContext&) = delete;
    FilterContext& operator=(const FilterContext&) = delete;
    QFJS_HANDLE handle() const { return handle_; }

private:
    QFJS_HANDLE handle_;
};

// The path scripts see as their own: absolute, symbolic links resolved.
std::string AbsoluteScriptPath(const std::string& path) {
    std::error_code error;
    std::filesystem::path absolute = std::filesystem::canonical(path, error);
    if (error) absolute = std::filesystem::absolute(path, error);
    return error ? path : absolute.string();
}

void WriteLine(std::FILE* stream, const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stream);
    std::fputc('\n', stream);
    std::fflush(stream);
}

// Prints the outcome of a run that returned a result JSON and picks the exit
// status.
int Report(const std::string& resultText, const RunnerOptions& options, std::FILE* out, std::FILE* err) {
    picojson::value result;
    const std::string error = picojson::parse(result, resultText);
    if (!error.empty() || !result.is<picojson::object>() || !result.get("ScriptResult").is<double>()) {
        WriteLine(err, "qfjs: unreadable result from the script engine: " + resultText);
        return kExitScriptFailed;
    }
    const double scriptResult = result.get("ScriptResult").get<double>();
    const picojson::value& message = result.get("ErrorMessage");
    const std::string errorMessage = message.is<std::string>() ? message.get<std::string>() : std::string();
    if (options.json) WriteLine(out, resultText);
    if (scriptResult == 0) return kExitSuccess;
    WriteLine(err, errorMessage.empty()
                       ? "qfjs: the script ended with result " + result.get("ScriptResult").to_str()
                       : errorMessage);
    return kExitScriptFailed;
}

}  // namespace

int RunScriptFile(const RunnerOptions& options, std::FILE* out, std::FILE* err) {
    std::error_code ignored;
    if (std::filesystem::is_directory(options.scriptPath, ignored)) {
        WriteLine(err, "qfjs: " + options.scriptPath + " is a folder, not a script");
        return kExitUsage;
    }
    LibraryText script(QFJS_LoadScript(options.scriptPath.c_str()));
    if (!script) {
        WriteLine(err, "qfjs: cannot read the script " + options.scriptPath);
        return kExitUsage;
    }

    Engine engine;
    FilterContext context;
    if (context.handle() == 0) {
        WriteLine(err, "qfjs: the script engine could not make a script context");
        return kExitScriptFailed;
    }
    const ConsoleHost host(out, err);
    const std::string request = host.BuildRequest(options, AbsoluteScriptPath(options.scriptPath));

    int status = 0;
    char* resultText = nullptr;
    bool interrupted = false;
    {
        InterruptWatcher watcher(context.handle());
        status = QFJS_FilterExecute(context.handle(), script.get(), request.c_str(), &resultText);
        interrupted = watcher.interrupted();
    }
    LibraryText result(resultText);

    if (interrupted) {
        WriteLine(err, "qfjs: interrupted");
        return kExitInterrupted;
    }
    if (status != 0) {
        WriteLine(err, "qfjs: the script engine refused the request (status " + std::to_string(status) + ")" +
                           (result ? std::string(": ") + result.get() : std::string()));
        return kExitScriptFailed;
    }
    return Report(result ? result.get() : "", options, out, err);
}

}  // namespace qfjs_runner
