// Where each input's output goes.
//
// The file name is OutputFilePrefix + the input's name without its
// extension + OutputFilePostfix + ".png". Its folder:
//   SOURCE  the input's folder (+ OutputFolderSubPath when used);
//   FOLDER  OutputFolder (+ OutputFolderSubPath when used), and below it the
//           input's folder relative to InputFolder for a FOLDER input, so a
//           searched folder tree is recreated instead of flattened;
//   FILE    OutputFile exactly (no prefix or postfix); one input only.
#ifndef QFCONSOLE_OUTPUT_NAMING_H
#define QFCONSOLE_OUTPUT_NAMING_H

#include <string>
#include <vector>

#include "host/console/batch_description.h"
#include "host/console/input_listing.h"

namespace qfconsole {

std::string OutputPathFor(const BatchDescription& description, const InputFile& input);

// One file of the batch.
struct PlannedFile {
    InputFile input;
    std::string output;
    // Not empty when the file must not be processed: a later input whose
    // output would overwrite the output of an earlier one fails with this
    // message instead.
    std::string conflict;
};

// The outputs of all inputs, in input order. Returns an empty text on
// success; OutputType FILE with more than one input is an error (the batch
// would write every result over the one before).
std::string PlanOutputs(const BatchDescription& description, const std::vector<InputFile>& inputs,
                        std::vector<PlannedFile>* plan);

}  // namespace qfconsole

#endif
