// The host side of a command-line run: the callbacks a request names and
// the request itself.
//
// Print and MessageBox texts go to standard output, SetStatus texts to
// standard error, each with a line end; SetProgress goes to the progress
// meter and always answers true (there is no dialog to cancel; Ctrl-C
// terminates the script instead). The version 7 callbacks hand out the
// source of V7Source. The object's address is the request's "HostData".
#ifndef QFJS_HOST_RUNNER_CONSOLE_HOST_H
#define QFJS_HOST_RUNNER_CONSOLE_HOST_H

#include <cstdio>
#include <string>

#include "host/lib/qfhost.h"
#include "host/runner/options.h"
#include "host/runner/progress_meter.h"
#include "host/runner/v7_source.h"

namespace qfjs_runner {

// What a request names besides the options.
struct RequestObjects {
    std::string fileName;                  // "FileName"
    const qfhost::Picture* source = nullptr;   // "SourcePicturePtr"
    const qfhost::Picture* target = nullptr;   // "TargetPicturePtr"
    const qfhost::Document* document = nullptr;  // "Document"
};

class ConsoleHost {
public:
    ConsoleHost(std::FILE* out, std::FILE* err, ProgressMeter& progress, V7Source& v7)
        : out_(out), err_(err), progress_(progress), v7_(v7) {}
    ConsoleHost(const ConsoleHost&) = delete;
    ConsoleHost& operator=(const ConsoleHost&) = delete;

    // The request JSON for one execution of the script at `absoluteScriptPath`.
    std::string BuildRequest(const RunnerOptions& options, const std::string& absoluteScriptPath,
                             const RequestObjects& objects) const;

    // A line of the runner's own on standard error (keeps the progress bar
    // out of its way).
    void Note(const std::string& text) const;

private:
    static bool Progress(const void* hostData, int done, int total);
    static void ShowMessage(const void* hostData, const char* text);
    static void SetStatus(const void* hostData, const char* text);
    static bool GetV7Bitmap(const void* hostData, const void* bitmapHandle, void** image, void** alpha);
    static bool GetV7LayerData(const void* hostData, const void* layerHandle, const char** name, int* x, int* y,
                               bool* hidden, unsigned* opacity, void** image, void** alpha);

    void WriteLine(std::FILE* stream, const char* text) const;

    std::FILE* out_;
    std::FILE* err_;
    ProgressMeter& progress_;
    V7Source& v7_;
};

}  // namespace qfjs_runner

#endif
