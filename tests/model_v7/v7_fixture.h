// A filter context over a V7TestHost, and helpers to read the result.
#ifndef QFJS_TESTS_MODEL_V7_V7_FIXTURE_H
#define QFJS_TESTS_MODEL_V7_V7_FIXTURE_H

#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "tests/model_v7/v7_test_host.h"
#include "tests/support/script_harness.h"

namespace v7test {

class V7Test : public ::testing::Test {
protected:
    // Declared before the context, so it outlives it: the host's bitmaps
    // must stay valid until the context is gone.
    V7TestHost host;
    qfjs_test::ScriptContext context;

    // Runs `script` with the host's request, changed by `edit` first.
    qfjs_test::Outcome Run(const std::string& script,
                           const std::function<void(qfjs_test::Request&)>& edit = nullptr) {
        qfjs_test::Request request = host.MakeRequest();
        if (edit) edit(request);
        return context.Run(script, request);
    }

    // Runs a script that must succeed; returns what it printed, one line per
    // Print call, each line ended by "\n".
    std::string Printed(const std::string& script,
                        const std::function<void(qfjs_test::Request&)>& edit = nullptr) {
        host.messages.clear();
        const qfjs_test::Outcome outcome = Run(script, edit);
        EXPECT_EQ(outcome.status, 0);
        EXPECT_EQ(outcome.scriptResult(), 0) << outcome.errorMessage();
        std::string out;
        for (const std::string& line : host.messages) out += line + "\n";
        return out;
    }

    // A layered source of one host layer.
    V7TestHost::Layer& AddLayer(BITMAPINFO* image, BITMAPINFO* alpha = nullptr) {
        V7TestHost::Layer layer;
        layer.image = image;
        layer.alpha = alpha;
        host.layers.push_back(layer);
        return host.layers.back();
    }
};

// The "V7ResultLayers" array of a result (empty when absent).
inline picojson::array ResultLayers(const qfjs_test::Outcome& outcome) {
    if (!outcome.json.is<picojson::object>() || !outcome.json.contains("V7ResultLayers")) return {};
    return outcome.json.get("V7ResultLayers").get<picojson::array>();
}

// The bitmap an address string of the result names.
inline BITMAPINFO* BitmapAt(const picojson::value& address) {
    return reinterpret_cast<BITMAPINFO*>(static_cast<std::uintptr_t>(std::stoull(address.get<std::string>())));
}

}  // namespace v7test

#endif
