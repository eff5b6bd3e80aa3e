// --out: the picture a successful run produced, written as PNG.
//
// Version 8: the picture the result names ("V8ResultPicture"), flattened.
// ResultPicture starts as a copy of the source, so a script that leaves it
// alone writes the source unchanged.
// Version 7: the result layers ("V7ResultLayers") drawn in index order with
// their position, opacity, visibility and alpha over a transparent canvas
// just large enough for the visible layers, counted from (0, 0) (the
// console host draws them the same way). A script that made no visible
// result layer writes the source unchanged, with a note on standard error.
#ifndef QFJS_HOST_RUNNER_RESULT_OUTPUT_H
#define QFJS_HOST_RUNNER_RESULT_OUTPUT_H

#include <string>

#include <picojson.h>

#include "host/lib/qfhost.h"

namespace qfjs_runner {

struct OutputOutcome {
    enum class Kind {
        kWritten,
        kNoPicture,    // the script's result gives nothing to write
        kWriteFailed,  // the file could not be written
    };
    Kind kind = Kind::kWritten;
    std::string message;  // what went wrong, or a note for kWritten (may be empty)
};

// Writes the result of `result` (a parsed result JSON of a successful run)
// to `path`. The context that ran the script must still exist, since
// version 7 result layers live in it.
OutputOutcome WriteResultPicture(const picojson::value& result, qfhost::Factory& factory,
                                 const qfhost::Picture& source, const std::string& path);

}  // namespace qfjs_runner

#endif
