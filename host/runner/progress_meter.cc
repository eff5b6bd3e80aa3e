#include "host/runner/progress_meter.h"

#include <unistd.h>

#include <string>

namespace qfjs_runner {

namespace {

constexpr int kBarWidth = 30;

}  // namespace

ProgressMeter::Style ProgressMeter::StyleFor(std::FILE* err, bool quiet) {
    if (quiet) return Style::kNone;
    return isatty(fileno(err)) ? Style::kBar : Style::kLines;
}

void ProgressMeter::Report(int done, int total) {
    if (style_ == Style::kNone || total <= 0) return;
    const long long clamped = done < 0 ? 0 : done > total ? total : done;
    const int percent = static_cast<int>(clamped * 100 / total);
    if (style_ == Style::kLines) {
        if (percent == lastPercent_) return;
        lastPercent_ = percent;
        std::fprintf(err_, "progress: %d%%\n", percent);
        std::fflush(err_);
        return;
    }
    // A wiped bar comes back at the next report, even with the same value.
    if (percent == lastPercent_ && barShown_) return;
    lastPercent_ = percent;
    DrawBar(percent);
}

void ProgressMeter::DrawBar(int percent) {
    const int filled = percent * kBarWidth / 100;
    std::string line = "\r[";
    line.append(static_cast<std::size_t>(filled), '#');
    line.append(static_cast<std::size_t>(kBarWidth - filled), '.');
    line += "] " + std::to_string(percent) + "%";
    std::fputs(line.c_str(), err_);
    std::fflush(err_);
    barShown_ = true;
}

void ProgressMeter::BeforeText(bool toError) {
    if (barShown_ && (toError || outIsTerminal_)) Wipe();
}

void ProgressMeter::Wipe() {
    if (!barShown_) return;
    // Back to the start of the line and clear it to the end.
    std::fputs("\r\033[K", err_);
    std::fflush(err_);
    barShown_ = false;
}

}  // namespace qfjs_runner
