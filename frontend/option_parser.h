// qfmacro's own command-line option parser.
//
// It has the familiar getopt_long shape, but its rules are fixed here rather
// than borrowed from the C library, so that every platform parses a command
// line the same way:
//  - positional words are moved behind the options, keeping their order, so
//    options and positional words may be mixed freely; when -1 is returned,
//    the positional words stand from `optind` to the end of argv;
//  - "--" ends option processing, every later word is positional;
//  - a long option name matches every table entry it is a prefix of; an exact
//    name has no precedence, so a name that is also the prefix of another
//    entry is ambiguous;
//  - an option that needs an argument takes the text after "=" or else the
//    next word, whatever it starts with; a long option that needs one and is
//    the last word returns its letter with `optarg` null;
//  - a word with a single dash is a cluster of short letters, one per call.
// Messages go to standard error while `opterr` is non-zero.
//
// The position is kept in process-wide variables like the C library's;
// ResetOptionParser() returns them to the start so a command line can be
// parsed again in the same process.
#ifndef QFMACRO_FRONTEND_OPTION_PARSER_H
#define QFMACRO_FRONTEND_OPTION_PARSER_H

namespace qfmacro {

enum : int { kNoArgument = 0, kRequiredArgument = 1 };

// One entry of the long option table; the table ends with a null name.
struct LongOption {
  const char* name;
  int has_arg;  // kNoArgument or kRequiredArgument
  int val;      // the short letter returned for the option
};

extern int optind;    // next word of argv to look at; starts at 1
extern char* optarg;  // argument of the option just returned, or null
extern int optopt;    // the letter of the last option that failed
extern int opterr;    // non-zero: print messages on standard error

// Returns the letter of the next option, '?' for an option error, or -1 when
// the options are exhausted. argv is permuted in place. When a long option is
// recognised, *longindex (if given) receives its table index.
int getopt_long(int argc, char** argv, const char* shortopts, const LongOption* longopts, int* longindex);

// Puts optind, optarg, optopt, opterr and the parser's private position back
// to their initial values.
void ResetOptionParser();

}  // namespace qfmacro

#endif  // QFMACRO_FRONTEND_OPTION_PARSER_H
