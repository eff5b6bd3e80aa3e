// Running small scripts that report values with Print, for the tests of the
// file functions and the Path and System objects.
#ifndef QFJS_TESTS_SERVICES_SERVICE_SCRIPT_H
#define QFJS_TESTS_SERVICES_SERVICE_SCRIPT_H

#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <picojson.h>

#include "tests/support/script_harness.h"

namespace qfjs_test {

// A JavaScript string literal of `text` (JSON strings are script literals).
inline std::string Js(const std::string& text) {
    return picojson::value(text).serialize();
}

// `show(v)` prints JSON.stringify(v), or undefined.
constexpr char kShowPrelude[] =
    "function show(v) { Print(v === undefined ? 'undefined' : JSON.stringify(v)); }\n";

// A fresh context (over an optional host factory) and a default request;
// returns the printed lines.
class ShownRun {
public:
    explicit ShownRun(IQFJSFactory* factory = nullptr) : context_(factory) {}
    std::vector<std::string> operator()(const std::string& script) { return Run(context_, script); }
    std::vector<std::string> Run(ScriptContext& context, const std::string& script) {
        recorder_.messages.clear();
        Outcome outcome = context.Run(kShowPrelude + script, request_);
        EXPECT_EQ(outcome.status, 0);
        EXPECT_EQ(outcome.scriptResult(), 0) << outcome.errorMessage() << "\nscript: " << script;
        return recorder_.messages;
    }
    // The single value a script shows.
    std::string One(const std::string& script) {
        const std::vector<std::string> lines = (*this)(script);
        EXPECT_EQ(lines.size(), 1u) << script;
        return lines.empty() ? std::string("<nothing>") : lines.front();
    }
    Request& request() { return request_; }
    ScriptContext& context() { return context_; }

private:
    Recorder recorder_;
    Request request_{&recorder_};
    ScriptContext context_;
};

}  // namespace qfjs_test

#endif
