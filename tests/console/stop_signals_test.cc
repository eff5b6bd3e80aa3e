// SIGINT and SIGTERM: the first asks for a stop, the second for a hard stop
// (which calls the action again and again), and the handlers that were
// there before come back afterwards.
#include <signal.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include <gtest/gtest.h>

#include "host/console/stop_signals.h"

namespace qfconsole {
namespace {

std::atomic<int> g_previousHandlerCalls{0};
extern "C" void PreviousHandler(int) { g_previousHandlerCalls.fetch_add(1); }

// Waits for a flag set by the watcher thread; the generous limit only keeps
// a broken build from hanging.
bool Eventually(const std::function<bool()>& condition) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

class StopSignalsTest : public testing::Test {
protected:
    void SetUp() override {
        struct sigaction action {};
        action.sa_handler = PreviousHandler;
        sigemptyset(&action.sa_mask);
        ASSERT_EQ(sigaction(SIGINT, &action, &savedInt_), 0);
        ASSERT_EQ(sigaction(SIGTERM, &action, &savedTerm_), 0);
        g_previousHandlerCalls = 0;
    }
    void TearDown() override {
        sigaction(SIGINT, &savedInt_, nullptr);
        sigaction(SIGTERM, &savedTerm_, nullptr);
    }
    struct sigaction savedInt_ {};
    struct sigaction savedTerm_ {};
};

TEST_F(StopSignalsTest, FirstSignalStopsSecondTerminates) {
    std::atomic<int> stops{0};
    std::atomic<int> hardStops{0};
    {
        StopSignals signals([&] { stops.fetch_add(1); }, [&] { hardStops.fetch_add(1); });
        ASSERT_TRUE(signals.active());
        EXPECT_FALSE(signals.stop_requested().load());

        raise(SIGTERM);
        ASSERT_TRUE(Eventually([&] { return signals.stop_requested().load(); }));
        EXPECT_FALSE(signals.hard_stop_requested().load());
        EXPECT_EQ(stops.load(), 1);
        EXPECT_EQ(hardStops.load(), 0);

        raise(SIGINT);
        ASSERT_TRUE(Eventually([&] { return signals.hard_stop_requested().load(); }));
        // Repeated until the watcher ends, so a script that was only
        // starting at the first call is stopped by a later one.
        ASSERT_TRUE(Eventually([&] { return hardStops.load() >= 2; }));
        // Our handlers are gone after the second signal: a third one takes
        // the previous way (here: the test's handler, by default: the end).
        raise(SIGINT);
        EXPECT_EQ(g_previousHandlerCalls.load(), 1);
        EXPECT_EQ(stops.load(), 1);
    }
    EXPECT_EQ(g_previousHandlerCalls.load(), 1);
    raise(SIGTERM);
    EXPECT_EQ(g_previousHandlerCalls.load(), 2);
}

TEST_F(StopSignalsTest, PreviousHandlersReturnWithoutAnySignal) {
    { StopSignals signals([] {}, [] {}); }
    raise(SIGINT);
    EXPECT_EQ(g_previousHandlerCalls.load(), 1);
}

}  // namespace
}  // namespace qfconsole
