// Merging the command line into the macro description.
#ifndef QFMACRO_FRONTEND_MERGE_OPTIONS_H
#define QFMACRO_FRONTEND_MERGE_OPTIONS_H

#include <string>

#include "frontend/qfmacro_params.h"
#include "frontend/temp_file.h"

namespace qfmacro {

// Reads params.macroFile, fills in the defaults the description lacks,
// applies the command-line overrides and writes the result compactly (keys in
// byte order) to a new temporary file in tempDirectory, whose path goes to
// params.tempMacroFile as soon as it exists. Throws on every failure: the
// JSON library's type error when the description is not an object,
// std::runtime_error when the temporary file cannot be created or written,
// and the filesystem library's errors.
void MergeOptions(QFMacroParams& params, const std::string& tempDirectory = kTempDirectory);

}  // namespace qfmacro

#endif  // QFMACRO_FRONTEND_MERGE_OPTIONS_H
