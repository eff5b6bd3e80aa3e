// Turning a command line into a program and its arguments, without a shell.
#ifndef QFJS_TOOLS_COMMAND_LINE_H
#define QFJS_TOOLS_COMMAND_LINE_H

#include <string>
#include <string_view>
#include <vector>

namespace qfjsbinding {

// Splits at spaces outside double quotes (runs of spaces count as one). A
// word that both starts and ends with a double quote loses those two quotes,
// and \" inside a word becomes ". These are the rules of the process
// library's command form, which scripts' command lines have always followed.
std::vector<std::string> SplitCommandLine(std::string_view line);

// The program a command's first word names: a word containing "/" is a path
// and is returned unchanged; otherwise the first executable regular file of
// that name in the directories of PATH (the system's default search path when
// PATH is unset; an empty entry is the current directory). Empty when none.
std::string FindProgramInPath(const std::string& name);

}  // namespace qfjsbinding

#endif
