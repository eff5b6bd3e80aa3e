// The pictures of a run: the --in files (or the built-in test picture) as
// the version 8 source picture and as the version 7 source.
//
// One file gives a "SINGLE" picture. Several give a "LAYER" picture with one
// layer per file, in command-line order from the bottom (the first file is
// layer 0), each at (0, 0) and named after its file without the extension;
// the canvas is as wide as the widest and as high as the highest file.
#ifndef QFJS_HOST_RUNNER_SOURCE_PICTURES_H
#define QFJS_HOST_RUNNER_SOURCE_PICTURES_H

#include <string>
#include <vector>

#include "host/lib/qfhost.h"
#include "host/runner/v7_source.h"

namespace qfjs_runner {

struct SourcePictures {
    qfhost::Picture* picture = nullptr;  // a picture of the factory
    // The first input: its absolute path (the document's file path) and its
    // file name ("FileName"); both empty for the built-in picture.
    std::string firstPath;
    std::string firstFileName;
};

// Reads `inputs` into `factory` and describes them to `v7`. Returns an empty
// text, or what went wrong (a file that cannot be read as a PNG picture).
std::string LoadSourcePictures(qfhost::Factory& factory, const std::vector<std::string>& inputs, V7Source* v7,
                               SourcePictures* sources);

}  // namespace qfjs_runner

#endif
