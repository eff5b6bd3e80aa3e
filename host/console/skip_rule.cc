#include "host/console/skip_rule.h"

#include <filesystem>
#include <system_error>

namespace qfconsole {

namespace fs = std::filesystem;

SkipDecision DecideSkip(const BatchDescription& d, const std::string& input, const std::string& output) {
    if (!d.skipIfExists) return SkipDecision::kProcess;
    std::error_code error;
    if (!fs::exists(output, error)) return SkipDecision::kProcess;
    if (!d.processIfUpdated) return SkipDecision::kOutputExists;
    const fs::file_time_type inputTime = fs::last_write_time(input, error);
    // An input whose time cannot be read is processed: its load then reports
    // what is wrong with it.
    if (error) return SkipDecision::kProcess;
    const fs::file_time_type outputTime = fs::last_write_time(output, error);
    if (error) return SkipDecision::kProcess;
    return inputTime > outputTime ? SkipDecision::kProcess : SkipDecision::kOutputUpToDate;
}

const char* SkipReasonText(SkipDecision decision) {
    switch (decision) {
        case SkipDecision::kOutputExists:
            return "the output exists";
        case SkipDecision::kOutputUpToDate:
            return "the output is up to date";
        case SkipDecision::kProcess:
            break;
    }
    return "";
}

}  // namespace qfconsole
