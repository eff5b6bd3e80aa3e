// The values of qfmacro's command line, collected before the macro
// description is merged and the host application is started.
#ifndef QFMACRO_FRONTEND_QFMACRO_PARAMS_H
#define QFMACRO_FRONTEND_QFMACRO_PARAMS_H

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <boost/filesystem/path.hpp>

namespace qfmacro {

// Strings are the UTF-8 text of the command line. An optional member tells an
// option that was not given apart from every value, including "" and false.
struct QFMacroParams {
  std::string macroFile;                         // the chosen positional argument
  std::string inputFolder;                       // --idir, -i
  std::string listFile;                          // --ilist, -l
  std::vector<std::string> inputFiles;           // --ifile, -f (absolute, in order)
  bool inputDrop = false;                        // --istdin, -d
  std::optional<bool> searchSubfolder;           // --recursive, -r
  std::string loadableFormat;                    // --itype, -n
  std::string outputFolder;                      // --odir, -o
  std::string outputFile;                        // --ofile, -e (absolute)
  std::optional<bool> outputToSource;            // --osourcedir, -u
  std::optional<std::string> outputSubPath;      // --subdir, -b
  std::string savableFormat;                     // --otype, -m
  std::optional<std::string> actionFile;         // --action, -a
  std::optional<std::string> logFile;            // --log, -g
  std::optional<bool> skipIfExists;              // --skipifexists, -s
  std::optional<bool> processIfUpdated;          // --processifupdated, -p
  std::optional<std::string> loadOptionsFile;    // --loadopt, -q
  std::optional<std::string> saveOptionsFile;    // --saveopt, -v
  boost::filesystem::path tempMacroFile;         // the merged description handed to the host
  bool silent = false;                           // --silent, -z
  bool noKeepAlive = false;                      // --nokeepalive, -k (accepted, no effect)
  bool enqueue = false;                          // --enqueue, -w
  std::string outputFilePrefix;                  // --prefix, -x
  std::string outputFilePostfix;                 // --postfix, -y
  std::int32_t threadCount = 0;                  // --threads, -t
};

}  // namespace qfmacro

#endif  // QFMACRO_FRONTEND_QFMACRO_PARAMS_H
