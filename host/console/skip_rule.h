// Whether an input is processed or skipped because of its existing output.
//
// SkipIfExists off: always processed. On: skipped when the output exists,
// unless ProcessIfUpdated is on and the input was modified after the output
// (a newer modification time), which processes it again.
#ifndef QFCONSOLE_SKIP_RULE_H
#define QFCONSOLE_SKIP_RULE_H

#include <string>

#include "host/console/batch_description.h"

namespace qfconsole {

enum class SkipDecision {
    kProcess,
    kOutputExists,    // SkipIfExists, ProcessIfUpdated off
    kOutputUpToDate,  // ProcessIfUpdated, the output is not older than the input
};

SkipDecision DecideSkip(const BatchDescription& description, const std::string& input, const std::string& output);

// The words for a skipped file's line ("the output exists").
const char* SkipReasonText(SkipDecision decision);

}  // namespace qfconsole

#endif
