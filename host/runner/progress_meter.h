// What SetProgress shows on standard error.
//
// On a terminal: one bar line that is redrawn in place ("\r") whenever the
// percentage changes, and wiped before any other text reaches the terminal
// so that messages never land in the middle of it. Elsewhere (a file, a
// pipe): one line "progress: N%" each time the whole percentage changes, so
// a script that reports every row of a large picture writes at most 101
// lines. Quiet: nothing.
#ifndef QFJS_HOST_RUNNER_PROGRESS_METER_H
#define QFJS_HOST_RUNNER_PROGRESS_METER_H

#include <cstdio>

namespace qfjs_runner {

class ProgressMeter {
public:
    enum class Style { kNone, kLines, kBar };

    // `err` is where progress goes; `outIsTerminal` tells whether standard
    // output shares the terminal (then a message there must wipe the bar
    // first, too).
    ProgressMeter(std::FILE* err, Style style, bool outIsTerminal)
        : err_(err), style_(style), outIsTerminal_(outIsTerminal) {}
    // Wipes a bar that is still shown.
    ~ProgressMeter() { Wipe(); }
    ProgressMeter(const ProgressMeter&) = delete;
    ProgressMeter& operator=(const ProgressMeter&) = delete;

    // The style for standard error: a bar on a terminal, lines otherwise,
    // nothing when quiet.
    static Style StyleFor(std::FILE* err, bool quiet);

    // One SetProgress(done, total). A total of 0 or less tells nothing and
    // shows nothing; done is limited to 0..total.
    void Report(int done, int total);

    // Call before writing a line to standard error (toError) or standard
    // output: removes the bar from the terminal when it would be in the way.
    void BeforeText(bool toError);

    // Removes the bar line, if one is shown.
    void Wipe();

private:
    void DrawBar(int percent);

    std::FILE* err_;
    Style style_;
    bool outIsTerminal_;
    int lastPercent_ = -1;
    bool barShown_ = false;
};

}  // namespace qfjs_runner

#endif
