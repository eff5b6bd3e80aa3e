#include "frontend/merge_options.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include <boost/algorithm/string/predicate.hpp>
#include <picojson.h>

#include "frontend/absolute_path.h"
#include "frontend/json_file.h"

namespace qfmacro {

namespace {

using picojson::array;
using picojson::object;
using picojson::value;
using boost::algorithm::iequals;

void SetDefault(object& description, const char* key, value defaultValue) {
  if (description.find(key) == description.end()) description[key] = std::move(defaultValue);
}

void ApplyInput(const QFMacroParams& params, object& description) {
  if (!params.inputFolder.empty()) {
    description["InputType"] = value("FOLDER");
    description["InputFolder"] = value(MakeAbsolute(params.inputFolder));
  } else if (!params.listFile.empty()) {
    description["InputType"] = value("LIST");
    description["ListFile"] = value(params.listFile);
  } else if (params.inputDrop) {
    description["InputType"] = value("DROP");
  } else if (!params.inputFiles.empty()) {
    const auto inputType = description.find("InputType");
    const bool serial = inputType != description.end() && inputType->second.is<std::string>() &&
                        inputType->second.get<std::string>() == "SERIAL";
    if (serial) {
      // A numbered series is named by its first file only.
      description["InputSerial"] = value(params.inputFiles.front());
    } else {
      description["InputType"] = value("FILE");
      if (params.inputFiles.size() == 1) {
        description["InputFile"] = value(params.inputFiles.front());
      } else {
        array files;
        for (const std::string& file : params.inputFiles) files.emplace_back(file);
        description["InputFiles"] = value(std::move(files));
      }
    }
  }
}

void ApplyOutput(const QFMacroParams& params, object& description) {
  if (!params.outputFolder.empty()) {
    description["OutputType"] = value("FOLDER");
    description["OutputFolder"] = value(MakeAbsolute(params.outputFolder));
  } else if (!params.outputFile.empty()) {
    description["OutputType"] = value("FILE");
    description["OutputFile"] = value(params.outputFile);
  } else if (params.outputToSource) {
    description["OutputType"] = value("SOURCE");
  }
}

// Sets a flag member and its text member: the flag is true when the text is
// not empty.
void SetFlaggedText(object& description, const char* flagKey, const char* textKey, const std::string& text) {
  description[flagKey] = value(!text.empty());
  description[textKey] = value(text);
}

// Rebuilds an existing "LoadOptions"/"SaveOptions" list from an options file
// holding one object: one {"Key", "Value"} entry per member, in name order.
void ReplaceOptionList(object& description, const char* key, const std::string& optionsFile) {
  value options{object()};
  LoadJsonFile(options, optionsFile);
  if (!options.is<object>()) return;
  const auto list = description.find(key);
  if (list == description.end() || !list->second.is<array>()) return;

  array& entries = list->second.get<array>();
  entries.clear();
  for (const auto& [name, optionValue] : options.get<object>()) {
    object entry;
    entry["Key"] = value(name);
    entry["Value"] = optionValue;
    entries.emplace_back(std::move(entry));
  }
}

void WriteTempFile(QFMacroParams& params, const value& description, const std::string& tempDirectory) {
  UniqueFile file = GenerateTempFileIn(tempDirectory, "qfmacro", params.tempMacroFile);
  if (!file) {
    // Starting the host without its description would only fail later and
    // less clearly.
    throw std::runtime_error("Could not create a temporary macro file in " + tempDirectory + ": " +
                             std::strerror(errno));
  }
  const std::string text = description.serialize();
  const bool written = std::fwrite(text.data(), 1, text.size(), file.get()) == text.size();
  if (!written || std::fflush(file.get()) != 0) {
    throw std::runtime_error("Could not write the temporary macro file " + params.tempMacroFile.string() + ": " +
                             std::strerror(errno));
  }
}

}  // namespace

void MergeOptions(QFMacroParams& params, const std::string& tempDirectory) {
  value root{object()};
  if (!params.macroFile.empty()) LoadJsonFile(root, params.macroFile);
  object& description = root.get<object>();  // throws the JSON library's type error for a non-object

  SetDefault(description, "Type", value("BATCH"));
  SetDefault(description, "ExecuteType", value("CONVERT"));
  SetDefault(description, "OutputType", value("SOURCE"));
  SetDefault(description, "SkipIfExists", value(true));
  SetDefault(description, "ProcessIfUpdated", value(false));
  SetDefault(description, "RetainTimeStamp", value(false));

  ApplyInput(params, description);
  ApplyOutput(params, description);

  if (params.outputSubPath) {
    SetFlaggedText(description, "UseOutputFolderSubPath", "OutputFolderSubPath", *params.outputSubPath);
  }
  if (!params.loadableFormat.empty()) {
    const bool allFormats = iequals(params.loadableFormat, "all");
    description["SelectedLoadableFormat"] = value(allFormats ? std::string() : params.loadableFormat);
  }
  if (!params.savableFormat.empty()) {
    const std::string& format = params.savableFormat;
    const bool automatic =
        iequals(format, "auto") || iequals(format, "same") || iequals(format, "org") || iequals(format, "original");
    description["SelectedSavableFormat"] = value(automatic ? std::string() : format);
  }
  if (params.actionFile) {
    description["ExecuteType"] = value(params.actionFile->empty() ? "CONVERT" : "ACTIONS");
    description["ActionFile"] = value(*params.actionFile);
  }
  if (params.logFile) SetFlaggedText(description, "SaveLog", "LogFile", *params.logFile);
  if (params.skipIfExists) description["SkipIfExists"] = value(*params.skipIfExists);
  if (params.processIfUpdated) {
    // Checking for updates only makes sense when existing outputs are kept.
    description["SkipIfExists"] = value(true);
    description["ProcessIfUpdated"] = value(*params.processIfUpdated);
  }
  if (params.searchSubfolder) description["SearchSubfolder"] = value(*params.searchSubfolder);
  if (!params.outputFilePrefix.empty()) description["OutputFilePrefix"] = value(params.outputFilePrefix);
  if (!params.outputFilePostfix.empty()) description["OutputFilePostfix"] = value(params.outputFilePostfix);
  if (params.loadOptionsFile) ReplaceOptionList(description, "LoadOptions", *params.loadOptionsFile);
  if (params.saveOptionsFile) ReplaceOptionList(description, "SaveOptions", *params.saveOptionsFile);

  WriteTempFile(params, root, tempDirectory);
}

}  // namespace qfmacro
