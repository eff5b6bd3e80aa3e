// The macro description (the JSON object qfmacro hands over) read into the
// settings of one batch, checked before any file is touched.
//
// Every relative path of the description is resolved against the execution
// base path (qfmacro's current folder). Members absent from the description
// take the defaults qfmacro itself writes: CONVERT, SOURCE, SkipIfExists
// true, ProcessIfUpdated false, RetainTimeStamp false.
#ifndef QFCONSOLE_BATCH_DESCRIPTION_H
#define QFCONSOLE_BATCH_DESCRIPTION_H

#include <string>
#include <vector>

#include <picojson.h>

namespace qfconsole {

enum class InputType { kFile, kFolder, kList, kSerial };
enum class OutputType { kSource, kFolder, kFile };
enum class ExecuteType { kConvert, kActions };

struct BatchDescription {
    InputType inputType = InputType::kFile;
    // FILE: "InputFile" followed by the entries of "InputFiles" (duplicates
    // dropped), all absolute.
    std::vector<std::string> inputFiles;
    std::string inputFolder;  // FOLDER
    bool searchSubfolder = false;
    std::string listFile;     // LIST
    std::string inputSerial;  // SERIAL: the first file of the series

    OutputType outputType = OutputType::kSource;
    std::string outputFolder;   // FOLDER
    std::string outputSubPath;  // relative; empty when not used (SOURCE and FOLDER)
    std::string outputFile;     // FILE
    std::string prefix;
    std::string postfix;

    bool skipIfExists = true;
    bool processIfUpdated = false;
    bool retainTimeStamp = false;

    ExecuteType executeType = ExecuteType::kConvert;
    std::string actionFile;  // ACTIONS: the filter script

    std::string logFile;  // empty: no log

    // Options of the PNG reader and writer as JSON object texts ("" for the
    // defaults), built from the "LoadOptions"/"SaveOptions" key-value lists.
    std::string loadOptions;
    std::string saveOptions;
};

// Reads the description from a parsed JSON value. `basePath` must be
// absolute. Returns an empty text on success, else a message naming the
// member that is wrong.
std::string ParseBatchDescription(const picojson::value& json, const std::string& basePath,
                                  BatchDescription* description);

// Reads the description file (a UTF-8 byte-order mark is skipped) and
// parses it as above.
std::string ReadBatchDescription(const std::string& path, const std::string& basePath,
                                 BatchDescription* description);

// `path` made absolute against `basePath` and tidied (lexically); "" stays "".
std::string ResolvePath(const std::string& basePath, const std::string& path);
// `path` tidied lexically ("a/./b/../c/" is "a/c"), without a trailing "/".
std::string TidyPath(const std::string& path);

}  // namespace qfconsole

#endif
