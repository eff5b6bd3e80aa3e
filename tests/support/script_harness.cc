#include "tests/support/script_harness.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>

#include <gtest/gtest.h>

namespace qfjs_test {

namespace {

// A test process must not carry on after the script engine reported a fatal
// error or a misuse of its interface: the engine would otherwise continue in
// an undefined state and the fault would go unnoticed.
void AbortOnFatalError(const char* location, const char* message) {
    std::fprintf(stderr, "script engine fatal error in %s: %s\n", location ? location : "?", message ? message : "");
    std::abort();
}

void AbortOnOutOfMemory(const char* location) {
    std::fprintf(stderr, "script engine out of memory in %s\n", location ? location : "?");
    std::abort();
}

}  // namespace

void EnsureEngine() {
    static std::once_flag once;
    std::call_once(once, [] {
        QFJS_INFO info{AbortOnFatalError, AbortOnOutOfMemory};
        QFJS_Initialize(info);
    });
}

std::string PointerString(const void* p) {
    return std::to_string(reinterpret_cast<std::uintptr_t>(p));
}

bool Recorder::Progress(const void* hostData, int done, int total) {
    auto* self = static_cast<Recorder*>(const_cast<void*>(hostData));
    self->progress.emplace_back(done, total);
    return self->progressResult;
}

void Recorder::ShowMessage(const void* hostData, const char* text) {
    static_cast<Recorder*>(const_cast<void*>(hostData))->messages.emplace_back(text);
}

void Recorder::SetStatus(const void* hostData, const char* text) {
    static_cast<Recorder*>(const_cast<void*>(hostData))->statuses.emplace_back(text);
}

Request::Request(Recorder* recorder) {
    picojson::object color;
    for (const char* c : {"R", "G", "B", "A", "I"}) color[c] = picojson::value(0.0);
    object_["FileName"] = picojson::value("test.png");
    object_["HostData"] = picojson::value(PointerString(recorder));
    object_["SourcePicture"] = picojson::value(picojson::object{});
    object_["SourcePicturePtr"] = picojson::value("0");
    object_["TargetPicturePtr"] = picojson::value("0");
    object_["SelColor"] = picojson::value(color);
    object_["ProgressProc"] = picojson::value(PointerString(reinterpret_cast<const void*>(&Recorder::Progress)));
    object_["ShowMessage"] = picojson::value(PointerString(reinterpret_cast<const void*>(&Recorder::ShowMessage)));
    object_["SetStatus"] = picojson::value(PointerString(reinterpret_cast<const void*>(&Recorder::SetStatus)));
    object_["GetV7Bitmap"] = picojson::value("0");
    object_["GetV7LayerData"] = picojson::value("0");
    object_["Document"] = picojson::value("0");
}

Request& Request::Set(const std::string& key, picojson::value value) {
    object_[key] = std::move(value);
    return *this;
}

Request& Request::SetPointer(const std::string& key, const void* p) {
    object_[key] = picojson::value(PointerString(p));
    return *this;
}

Request& Request::Remove(const std::string& key) {
    object_.erase(key);
    return *this;
}

std::string Request::Text() const {
    return picojson::value(object_).serialize();
}

int Outcome::scriptResult() const {
    if (!json.is<picojson::object>() || !json.contains("ScriptResult")) return -100000;
    return static_cast<int>(json.get("ScriptResult").get<double>());
}

std::string Outcome::errorMessage() const {
    if (!json.is<picojson::object>() || !json.contains("ErrorMessage")) return "<none>";
    return json.get("ErrorMessage").get<std::string>();
}

ScriptContext::ScriptContext(IQFJSFactory* factory) {
    EnsureEngine();
    handle_ = QFJS_FilterCreateContext(factory);
    EXPECT_NE(handle_, 0u);
}

ScriptContext::~ScriptContext() {
    Destroy();
}

void ScriptContext::Destroy() {
    if (handle_) QFJS_FilterDestroyContext(handle_);
    handle_ = 0;
}

Outcome ScriptContext::Run(const std::string& script, const Request& request) {
    return Run(script, request.Text());
}

Outcome ScriptContext::Run(const std::string& script, const std::string& requestText) {
    Outcome outcome;
    EXPECT_NE(handle_, 0u) << "the context was destroyed";
    char* result = nullptr;
    outcome.status = QFJS_FilterExecute(handle_, script.c_str(), requestText.c_str(), &result);
    if (result) {
        outcome.text = result;
        QFJS_MemFree(result);
        const std::string error = picojson::parse(outcome.json, outcome.text);
        EXPECT_TRUE(error.empty()) << "result is not JSON: " << outcome.text;
    }
    return outcome;
}

Outcome RunScript(const std::string& script, Recorder* recorder, IQFJSFactory* factory) {
    Recorder local;
    Recorder* target = recorder ? recorder : &local;
    ScriptContext context(factory);
    return context.Run(script, Request(target));
}

}  // namespace qfjs_test
