#include "frontend/command_line.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <boost/algorithm/string/predicate.hpp>
#include <boost/filesystem/operations.hpp>
#include <boost/system/error_code.hpp>

#include "frontend/absolute_path.h"

namespace qfmacro {

const char kShortOptions[] = "i:l:df:n:o:e:ub:m:r:a:g:s:p:zt:q:v:kwx:y:";

const LongOption kLongOptions[] = {
    {"idir", kRequiredArgument, 'i'},
    {"ilist", kRequiredArgument, 'l'},
    {"istdin", kNoArgument, 'd'},
    {"ifile", kRequiredArgument, 'f'},
    {"recursive", kRequiredArgument, 'r'},
    {"itype", kRequiredArgument, 'n'},
    {"odir", kRequiredArgument, 'o'},
    {"ofile", kRequiredArgument, 'e'},
    {"osourcedir", kNoArgument, 'u'},
    {"subdir", kRequiredArgument, 'b'},
    {"otype", kRequiredArgument, 'm'},
    {"action", kRequiredArgument, 'a'},
    {"log", kRequiredArgument, 'g'},
    {"skipifexists", kRequiredArgument, 's'},
    {"processifupdated", kRequiredArgument, 'p'},
    {"silent", kNoArgument, 'z'},
    {"threads", kRequiredArgument, 't'},
    {"loadopt", kRequiredArgument, 'q'},
    {"saveopt", kRequiredArgument, 'v'},
    {"nokeepalive", kNoArgument, 'k'},
    {"enqueue", kNoArgument, 'w'},
    {"prefix", kRequiredArgument, 'x'},
    {"postfix", kRequiredArgument, 'y'},
    {nullptr, 0, 0},
};

namespace {

enum class TOptionResult { kStored, kUsageError };

bool IsMacroFileExtension(const std::string& argument) {
  // The extension is the part from the last "." of the final component.
  const size_t slash = argument.find_last_of('/');
  const std::string name = slash == std::string::npos ? argument : argument.substr(slash + 1);
  const size_t dot = name.find_last_of('.');
  if (dot == std::string::npos) return false;
  const std::string extension = name.substr(dot);
  return boost::algorithm::iequals(extension, ".qfmacro") || boost::algorithm::iequals(extension, ".qfmovmacro");
}

TOptionResult StoreBool(const char* value, std::optional<bool>* field) {
  bool parsed = false;
  if (!ParseBoolValue(value, &parsed)) {
    std::printf("invalid argument : %s\n", value);
    return TOptionResult::kUsageError;
  }
  *field = parsed;
  return TOptionResult::kStored;
}

// Stores one option returned by the parser. `value` is null only for a long
// option that needs an argument and was the last word.
TOptionResult StoreOption(int letter, const char* value, int longIndex, QFMacroParams* params) {
  switch (letter) {
    case 'd': params->inputDrop = true; return TOptionResult::kStored;
    case 'u': params->outputToSource = true; return TOptionResult::kStored;
    case 'z': params->silent = true; return TOptionResult::kStored;
    case 'k': params->noKeepAlive = true; return TOptionResult::kStored;
    case 'w': params->enqueue = true; return TOptionResult::kStored;
    // A missing value means true for the boolean options.
    case 'r': return StoreBool(value, &params->searchSubfolder);
    case 's': return StoreBool(value, &params->skipIfExists);
    case 'p': return StoreBool(value, &params->processIfUpdated);
    default: break;
  }

  if (letter == 0 || std::strchr("ilfnoebmagtqvxy", letter) == nullptr) {
    return TOptionResult::kUsageError;  // '?' or a letter without meaning
  }
  if (value == nullptr) {
    // Every other option needs a text; going on without one would silently
    // change the batch, so this is a command-line error like any other.
    const char* name = longIndex >= 0 ? kLongOptions[longIndex].name : "";
    std::fprintf(stderr, "option requires an argument: %s\n", name);
    return TOptionResult::kUsageError;
  }

  switch (letter) {
    case 'i': params->inputFolder = value; break;
    case 'l': params->listFile = value; break;
    case 'f': params->inputFiles.push_back(MakeAbsolute(value)); break;
    case 'n': params->loadableFormat = value; break;
    case 'o': params->outputFolder = value; break;
    case 'e': params->outputFile = MakeAbsolute(value); break;
    case 'b': params->outputSubPath = std::string(value); break;
    case 'm': params->savableFormat = value; break;
    case 'a': params->actionFile = std::string(value); break;
    case 'g': params->logFile = std::string(value); break;
    case 't': params->threadCount = ParseThreadCount(value); break;
    case 'q': params->loadOptionsFile = std::string(value); break;
    case 'v': params->saveOptionsFile = std::string(value); break;
    case 'x': params->outputFilePrefix = value; break;
    case 'y': params->outputFilePostfix = value; break;
    default: return TOptionResult::kUsageError;
  }
  return TOptionResult::kStored;
}

}  // namespace

bool ParseBoolValue(const char* text, bool* value) {
  if (text == nullptr) {
    *value = true;
    return true;
  }
  using boost::algorithm::iequals;
  const std::string word(text);
  if (iequals(word, "true") || iequals(word, "yes") || text[0] == 't' || text[0] == 'y' || text[0] == '1') {
    *value = true;
    return true;
  }
  if (iequals(word, "false") || iequals(word, "no") || text[0] == 'f' || text[0] == 'n' || text[0] == '0') {
    *value = false;
    return true;
  }
  return false;
}

std::int32_t ParseThreadCount(const char* text) {
  const long parsed = std::strtol(text, nullptr, 10);
  if (parsed > INT32_MAX) return INT32_MAX;
  if (parsed < INT32_MIN) return INT32_MIN;
  return static_cast<std::int32_t>(parsed);
}

void print_help() {
  std::fputs("\n"
             "マクロファイル名が指定されていないか、パラメーターが異常もしくは不足しています。\n"
             "パラメーターの詳細はドキュメントを参照してください。\n",
             stdout);
}

bool ParseCommandLine(int argc, char** argv, QFMacroParams* params) {
  ResetOptionParser();
  for (;;) {
    int longIndex = -1;
    const int letter = getopt_long(argc, argv, kShortOptions, kLongOptions, &longIndex);
    if (letter == -1) break;
    if (StoreOption(letter, optarg, longIndex, params) != TOptionResult::kStored) {
      print_help();
      return false;
    }
  }

  for (int i = optind; i < argc; ++i) {
    const char* argument = argv[i];
    boost::system::error_code error;
    if (!boost::filesystem::exists(boost::filesystem::path(argument), error)) {
      std::printf("File not found : %s\n", argument);
      continue;
    }
    if (IsMacroFileExtension(argument)) {
      params->macroFile = argument;
      return true;
    }
    std::printf("Invalid macro file extension : %s\n", argument);
  }

  std::fputs("Macro file is not specified.\n", stdout);
  print_help();
  return false;
}

}  // namespace qfmacro
