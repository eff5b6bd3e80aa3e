// Running real scripts through the exported functions, for tests.
//
// A test makes a ScriptContext (a filter context over an optional factory),
// a Request (the request JSON, whose callbacks report into a Recorder) and
// calls Run; the Outcome holds the call status and the parsed result.
#ifndef QFJS_TESTS_SUPPORT_SCRIPT_HARNESS_H
#define QFJS_TESTS_SUPPORT_SCRIPT_HARNESS_H

#include <cstdint>
#include <string>
#include <vector>

#include <picojson.h>

#include "qfjs/qfjs.h"

namespace qfjs_test {

// Starts the engine once per test process (idempotent), with handlers that
// abort the test process on a fatal error or an out-of-memory report of the
// script engine. Tests that need V8 flags set them before the first call.
void EnsureEngine();

// The decimal pointer string of an address, as requests carry it.
std::string PointerString(const void* p);

// What the request's callbacks received, in order.
struct Recorder {
    std::vector<std::string> messages;  // ShowMessage (Print, MessageBox)
    std::vector<std::string> statuses;  // SetStatus
    std::vector<std::pair<int, int>> progress;
    bool progressResult = true;

    static bool Progress(const void* hostData, int done, int total);
    static void ShowMessage(const void* hostData, const char* text);
    static void SetStatus(const void* hostData, const char* text);
};

// A request JSON object with valid defaults: every required key present,
// "HostData" pointing at the recorder, the callbacks reporting into it,
// pictures and document "0".
class Request {
public:
    explicit Request(Recorder* recorder);
    Request& Set(const std::string& key, picojson::value value);
    Request& SetPointer(const std::string& key, const void* p);
    Request& Remove(const std::string& key);
    picojson::object& object() { return object_; }
    std::string Text() const;

private:
    picojson::object object_;
};

struct Outcome {
    int status = -100;        // QFJS_FilterExecute's result
    std::string text;         // the result text (status 0 and 2)
    picojson::value json;     // parsed result
    int scriptResult() const;
    std::string errorMessage() const;
};

// An owned filter context.
class ScriptContext {
public:
    explicit ScriptContext(IQFJSFactory* factory = nullptr);
    ~ScriptContext();
    ScriptContext(const ScriptContext&) = delete;
    ScriptContext& operator=(const ScriptContext&) = delete;

    QFJS_HANDLE handle() const { return handle_; }
    Outcome Run(const std::string& script, const Request& request);
    Outcome Run(const std::string& script, const std::string& requestText);
    // Destroys the context now (later Run calls fail the test).
    void Destroy();

private:
    QFJS_HANDLE handle_ = 0;
};

// Runs a script in a fresh context with a default request; for short checks.
Outcome RunScript(const std::string& script, Recorder* recorder = nullptr, IQFJSFactory* factory = nullptr);

}  // namespace qfjs_test

#endif
