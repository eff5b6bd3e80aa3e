// The host side of the stress tests: the reference host's factory with a
// small layered source picture and a document, a version 7 source picture,
// and callbacks that may be watched from other threads.
#ifndef QFJS_TESTS_ENGINE_STRESS_STRESS_HOST_H
#define QFJS_TESTS_ENGINE_STRESS_STRESS_HOST_H

#include <atomic>
#include <cstddef>
#include <mutex>
#include <string>

#include "host/lib/qfhost.h"

namespace qfjs_stress {

class StressHost {
public:
    StressHost();
    StressHost(const StressHost&) = delete;
    StressHost& operator=(const StressHost&) = delete;

    // For QFJS_FilterCreateContext; the host outlives the context.
    IQFJSFactory* factory() { return &factory_; }

    // A complete request: both generations' pictures, the document, the
    // callbacks below and `param` as UserParam[0].
    std::string RequestText(const std::string& param = "p0") const;

    std::size_t message_count() const { return messageCount_.load(); }
    std::string last_message() const;

private:
    static bool OnProgress(const void* hostData, int done, int total);
    static void OnMessage(const void* hostData, const char* text);
    static void OnStatus(const void* hostData, const char* text);
    static bool OnGetV7Bitmap(const void* hostData, const void* handle, void** image, void** alpha);
    static bool OnGetV7LayerData(const void* hostData, const void* handle, const char** name, int* x, int* y,
                                 bool* hidden, unsigned* opacity, void** image, void** alpha);

    qfhost::Factory factory_;
    qfhost::V7Host v7_;
    qfhost::Picture* source_ = nullptr;
    qfhost::Document* document_ = nullptr;
    std::atomic<std::size_t> messageCount_{0};
    mutable std::mutex mutex_;
    std::string lastMessage_;
};

// The process's resident memory in bytes (0 when it cannot be read).
std::size_t ResidentBytes();

}  // namespace qfjs_stress

#endif
