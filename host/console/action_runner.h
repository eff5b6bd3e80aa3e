// Runs the batch's filter script ("ActionFile") on one picture after
// another, in one filter context per worker.
//
// Version 8: SourcePicture is the input, ResultPicture starts as a
// duplicate of it; the picture the script leaves in ResultPicture (reported
// as "V8ResultPicture") is the result, saved flattened.
// Version 7: the input is a "SINGLE" source picture; the result is the
// script's result layers ("V7ResultLayers") drawn over a transparent canvas
// just large enough for its visible layers, or the unchanged input when it
// made none (or none is visible).
// A script whose "ScriptResult" is not 0 fails the file with its message.
//
// The context is kept from file to file while the runs succeed without
// version 7 result layers. A context keeps the result layers of a version 7
// run and reports them again on the next run, and they may point into this
// file's bitmaps; so after a run that reported result layers, a failed run,
// or any run that fetched the version 7 source, the next file gets a fresh
// context.
#ifndef QFCONSOLE_ACTION_RUNNER_H
#define QFCONSOLE_ACTION_RUNNER_H

#include <atomic>
#include <functional>
#include <string>

#include "host/lib/qfhost.h"
#include "qfjs/qfjs.h"

namespace qfconsole {

class RunningScripts;

// The script, read once for the whole batch.
struct ActionScript {
    std::string text;
    std::string path;  // absolute; the scripts see it as their own file
};

class ActionRunner {
public:
    // The engine must be started. `factory` holds the worker's pictures and
    // must outlive the runner; the runner makes it keep its objects when a
    // context is destroyed (they are freed by the caller, see
    // qfhost::Factory::FreeAll). `running` and `hardStop` may be null.
    ActionRunner(qfhost::Factory& factory, const ActionScript& script, RunningScripts* running,
                 const std::atomic<bool>* hardStop);
    ~ActionRunner();
    ActionRunner(const ActionRunner&) = delete;
    ActionRunner& operator=(const ActionRunner&) = delete;

    // Runs the script on `source` (a picture of the factory) for the file
    // `inputPath`. Returns the picture to save (a picture of the factory),
    // or null with *error set.
    qfhost::Picture* Run(const std::string& inputPath, qfhost::Picture& source,
                         const std::function<void(const std::string&)>& onMessage, std::string* error);

    // How many filter contexts were made so far (for tests).
    int contexts_made() const { return contextsMade_; }

private:
    bool EnsureContext();
    void DropContext();
    // The picture a successful run left, from the result JSON text.
    // *reusable is set when the context may run the next file.
    qfhost::Picture* ReadResult(const std::string& text, qfhost::Picture& source, bool* reusable,
                                std::string* error);

    qfhost::Factory& factory_;
    const ActionScript& script_;
    RunningScripts* running_;
    const std::atomic<bool>* hardStop_;
    QFJS_HANDLE context_ = 0;
    int contextsMade_ = 0;
};

}  // namespace qfconsole

#endif
