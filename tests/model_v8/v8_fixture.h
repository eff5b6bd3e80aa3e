// A filter context over the reference host with its call log on, and a small
// script prelude for looking at one script action at a time.
//
// In a script, probe(label, fn) runs fn and records two things under label:
// what fn returned (or threw), described as text, and the host calls made
// while it ran (the call log is cleared when the probe starts). Values are
// described as:
//   null, undefined, true, false, numbers as String(n) ("5", "0.5", "NaN",
//   "Infinity", "-0"), strings as JSON literals ("\"SINGLE\""), objects as
//   "[<constructor name>]" ("[Bitmap]", "[Object]"), and exceptions as
//   "throws <name>: <message>" for Error objects or "throws <described
//   value>" for anything else thrown.
// hook(name) runs the C++ function registered in hooks_ under that name (to
// change a host object while the script runs).
#ifndef QFJS_TESTS_MODEL_V8_V8_FIXTURE_H
#define QFJS_TESTS_MODEL_V8_V8_FIXTURE_H

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "host/lib/qfhost.h"
#include "tests/support/script_harness.h"

namespace qfjs_v8test {

using Calls = std::vector<std::string>;

struct ProbeResult {
    std::string value;
    Calls calls;
};

// A JavaScript string literal of `text`.
std::string Js(const std::string& text);

// The call-log label of a host object ("Bitmap#3").
std::string L(const IQFObject* object);

// "label.operation" for building expected call lists: At(bmp, "GetWidth()").
std::string At(const IQFObject* object, const std::string& call);

class V8ModelTest : public ::testing::Test {
protected:
    V8ModelTest();
    ~V8ModelTest() override;

    // Runs `script` after the prelude and expects a normal end (status 0,
    // script result 0, no error message).
    qfjs_test::Outcome Run(const std::string& script);
    // Runs `script` after the prelude; the outcome is the caller's to judge.
    qfjs_test::Outcome RunAny(const std::string& script);

    // The probe recorded under `label` (a test failure when there is none).
    const ProbeResult& Probe(const std::string& label);
    std::string Value(const std::string& label) { return Probe(label).value; }
    Calls CallsOf(const std::string& label) { return Probe(label).calls; }
    // Expects the probe's described value and exactly these host calls.
    void Check(const std::string& label, const std::string& value, const Calls& calls);
    // The probe's calls with every object that is not in `known` renamed by
    // order of first appearance: "Bitmap#new1", "Layer#new1", "Bitmap#new2"
    // (for objects the host made during the probe, whose ids the test does
    // not know).
    Calls NewCalls(const std::string& label, const std::vector<const IQFObject*>& known = {});
    // Labels in the order the script recorded them.
    const std::vector<std::string>& ProbeLabels() const { return probeOrder_; }

    // The request's document and pictures (null writes the handle "0").
    void SetDocument(IQFDocument* document);
    void SetSource(IQFPicture* picture);
    void SetTarget(IQFPicture* picture);

    // A blank bitmap of the factory (fails the test when refused).
    qfhost::Bitmap* NewBitmap(int width, int height, qfhost::PixelFormat format, int paletteCount = 256);

    qfhost::Factory factory_;
    std::map<std::string, std::function<void()>> hooks_;
    std::vector<std::string> printed_;
    std::vector<std::string> statuses_;
    qfjs_test::Recorder recorder_;
    qfjs_test::Request request_{&recorder_};
    std::unique_ptr<qfjs_test::ScriptContext> context_;

private:
    static bool OnProgress(const void* hostData, int done, int total);
    static void OnMessage(const void* hostData, const char* text);
    static void OnStatus(const void* hostData, const char* text);
    void HandleStatus(const std::string& text);

    std::map<std::string, ProbeResult> probes_;
    std::vector<std::string> probeOrder_;
    ProbeResult missing_;
};

}  // namespace qfjs_v8test

#endif
