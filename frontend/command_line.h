// qfmacro's command line: the option table, option values, the choice of the
// macro file among the positional words and the usage text.
#ifndef QFMACRO_FRONTEND_COMMAND_LINE_H
#define QFMACRO_FRONTEND_COMMAND_LINE_H

#include <cstdint>

#include "frontend/option_parser.h"
#include "frontend/qfmacro_params.h"

namespace qfmacro {

extern const char kShortOptions[];
extern const LongOption kLongOptions[];

// Reads a boolean option value. True: "true" or "yes" in any case, or a first
// character t, y or 1. False: "false" or "no" in any case, or a first
// character f, n or 0. The first-character tests are case-sensitive. A null
// text (a long option given as the last word) counts as true. Returns false
// when the text is none of these.
bool ParseBoolValue(const char* text, bool* value);

// The thread count as the C library's atoi reads it (leading white space, a
// sign, then the leading digits; 0 when there are none), limited to the
// 32-bit range instead of overflowing.
std::int32_t ParseThreadCount(const char* text);

// Writes the usage text to standard output.
void print_help();

// Parses argv (permuting it) into params and chooses the macro file. Returns
// true when the batch can go on; false after a command-line error, when the
// messages and the usage text have been printed and the program is to end
// with kStatusUsage. Resets the option parser first.
bool ParseCommandLine(int argc, char** argv, QFMacroParams* params);

}  // namespace qfmacro

#endif  // QFMACRO_FRONTEND_COMMAND_LINE_H
