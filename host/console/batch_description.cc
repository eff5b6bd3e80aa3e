#include "host/console/batch_description.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "host/console/picture_formats.h"
#include "host/lib/png_io.h"

namespace qfconsole {

namespace {

namespace fs = std::filesystem;
using picojson::array;
using picojson::object;
using picojson::value;

// Reads members of the description; the first problem is kept in `error`
// and every later read is skipped, so the message names the first wrong
// member. A member that is null counts as absent.
class MemberReader {
public:
    explicit MemberReader(const object& members) : members_(members) {}

    const value* Find(const char* key) const {
        const auto found = members_.find(key);
        if (found == members_.end() || found->second.is<picojson::null>()) return nullptr;
        return &found->second;
    }

    // Leaves *out unchanged when the member is absent.
    void Text(const char* key, std::string* out) {
        const value* member = Find(key);
        if (!ok() || !member) return;
        if (!member->is<std::string>()) {
            Fail(std::string("the member \"") + key + "\" must be a text");
            return;
        }
        *out = member->get<std::string>();
    }

    void Flag(const char* key, bool* out) {
        const value* member = Find(key);
        if (!ok() || !member) return;
        if (!member->is<bool>()) {
            Fail(std::string("the member \"") + key + "\" must be true or false");
            return;
        }
        *out = member->get<bool>();
    }

    void TextList(const char* key, std::vector<std::string>* out) {
        const value* member = Find(key);
        if (!ok() || !member) return;
        if (!member->is<array>()) {
            Fail(std::string("the member \"") + key + "\" must be a list of texts");
            return;
        }
        for (const value& entry : member->get<array>()) {
            if (!entry.is<std::string>()) {
                Fail(std::string("the member \"") + key + "\" must be a list of texts");
                return;
            }
            out->push_back(entry.get<std::string>());
        }
    }

    // A {"Key": text, "Value": any} list turned into one JSON object text;
    // "" when the member is absent or the list is empty.
    void OptionList(const char* key, std::string* out) {
        const value* member = Find(key);
        if (!ok() || !member) return;
        const std::string wrong = std::string("the member \"") + key +
                                  "\" must be a list of {\"Key\": text, \"Value\": value} entries";
        if (!member->is<array>()) {
            Fail(wrong);
            return;
        }
        object options;
        for (const value& entry : member->get<array>()) {
            if (!entry.is<object>() || !entry.get("Key").is<std::string>() || !entry.contains("Value")) {
                Fail(wrong);
                return;
            }
            options[entry.get("Key").get<std::string>()] = entry.get("Value");
        }
        if (!options.empty()) *out = value(options).serialize();
    }

    void Fail(std::string message) {
        if (ok()) error_ = std::move(message);
    }
    bool ok() const { return error_.empty(); }
    const std::string& error() const { return error_; }

private:
    const object& members_;
    std::string error_;
};

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

void ReadInput(MemberReader& reader, const std::string& basePath, BatchDescription* d) {
    std::string type;
    reader.Text("InputType", &type);
    if (!reader.ok()) return;
    if (type == "FILE") {
        d->inputType = InputType::kFile;
        std::string single;
        std::vector<std::string> several;
        reader.Text("InputFile", &single);
        reader.TextList("InputFiles", &several);
        if (!single.empty()) several.insert(several.begin(), single);
        for (const std::string& file : several) {
            if (file.empty()) continue;
            const std::string resolved = ResolvePath(basePath, file);
            if (std::find(d->inputFiles.begin(), d->inputFiles.end(), resolved) == d->inputFiles.end()) {
                d->inputFiles.push_back(resolved);
            }
        }
        if (reader.ok() && d->inputFiles.empty()) {
            reader.Fail("InputType FILE names no file (\"InputFile\" or \"InputFiles\")");
        }
    } else if (type == "FOLDER") {
        d->inputType = InputType::kFolder;
        reader.Text("InputFolder", &d->inputFolder);
        reader.Flag("SearchSubfolder", &d->searchSubfolder);
        if (reader.ok() && d->inputFolder.empty()) reader.Fail("InputType FOLDER names no \"InputFolder\"");
        d->inputFolder = ResolvePath(basePath, d->inputFolder);
    } else if (type == "LIST") {
        d->inputType = InputType::kList;
        reader.Text("ListFile", &d->listFile);
        if (reader.ok() && d->listFile.empty()) reader.Fail("InputType LIST names no \"ListFile\"");
        d->listFile = ResolvePath(basePath, d->listFile);
    } else if (type == "SERIAL") {
        d->inputType = InputType::kSerial;
        reader.Text("InputSerial", &d->inputSerial);
        if (reader.ok() && d->inputSerial.empty()) reader.Fail("InputType SERIAL names no \"InputSerial\" file");
        d->inputSerial = ResolvePath(basePath, d->inputSerial);
    } else if (type == "DROP") {
        reader.Fail(
            "InputType DROP (files dropped on the application) is not available in console mode; "
            "name the input with -f (files), -i (a folder) or -l (a list file)");
    } else if (type.empty()) {
        reader.Fail("the description names no input (\"InputType\"); give -f, -i or -l");
    } else {
        reader.Fail("unknown InputType " + Quoted(type) + " (FILE, FOLDER, LIST or SERIAL)");
    }
}

void ReadOutput(MemberReader& reader, const std::string& basePath, BatchDescription* d) {
    std::string type = "SOURCE";
    reader.Text("OutputType", &type);
    if (!reader.ok()) return;
    if (type == "SOURCE") {
        d->outputType = OutputType::kSource;
    } else if (type == "FOLDER") {
        d->outputType = OutputType::kFolder;
        reader.Text("OutputFolder", &d->outputFolder);
        if (reader.ok() && d->outputFolder.empty()) reader.Fail("OutputType FOLDER names no \"OutputFolder\"");
        d->outputFolder = ResolvePath(basePath, d->outputFolder);
    } else if (type == "FILE") {
        d->outputType = OutputType::kFile;
        reader.Text("OutputFile", &d->outputFile);
        if (reader.ok() && d->outputFile.empty()) reader.Fail("OutputType FILE names no \"OutputFile\"");
        d->outputFile = ResolvePath(basePath, d->outputFile);
    } else {
        reader.Fail("unknown OutputType " + Quoted(type) + " (SOURCE, FOLDER or FILE)");
        return;
    }

    bool useSubPath = false;
    std::string subPath;
    reader.Flag("UseOutputFolderSubPath", &useSubPath);
    reader.Text("OutputFolderSubPath", &subPath);
    if (useSubPath && d->outputType != OutputType::kFile) {
        if (fs::path(subPath).is_absolute()) {
            reader.Fail("\"OutputFolderSubPath\" must be a relative path, not " + Quoted(subPath));
        }
        d->outputSubPath = TidyPath(subPath);
        if (d->outputSubPath == ".") d->outputSubPath.clear();
    }
    reader.Text("OutputFilePrefix", &d->prefix);
    reader.Text("OutputFilePostfix", &d->postfix);
    for (const std::string* part : {&d->prefix, &d->postfix}) {
        if (part->find('/') != std::string::npos) {
            reader.Fail("an output file prefix or postfix cannot contain \"/\": " + Quoted(*part));
        }
    }
}

void ReadFormats(MemberReader& reader, BatchDescription* d) {
    std::string loadable;
    std::string savable;
    reader.Text("SelectedLoadableFormat", &loadable);
    reader.Text("SelectedSavableFormat", &savable);
    if (!loadable.empty() && !IsPngFormatName(loadable)) {
        reader.Fail("unsupported input format " + Quoted(loadable) + ": this host reads PNG files only");
    }
    if (!savable.empty() && !IsPngFormatName(savable)) {
        reader.Fail("unsupported output format " + Quoted(savable) + ": this host writes PNG files only");
    }
    reader.OptionList("LoadOptions", &d->loadOptions);
    reader.OptionList("SaveOptions", &d->saveOptions);
    if (!reader.ok()) return;
    qfhost::PngLoadOptions load;
    if (!qfhost::ParsePngLoadOptions(d->loadOptions.c_str(), &load)) {
        reader.Fail("the PNG reader does not accept the load options " + d->loadOptions);
    }
    qfhost::PngSaveOptions save;
    if (!qfhost::ParsePngSaveOptions(d->saveOptions.c_str(), &save)) {
        reader.Fail("the PNG writer does not accept the save options " + d->saveOptions);
    }
}

}  // namespace

std::string TidyPath(const std::string& path) {
    fs::path tidy = fs::path(path).lexically_normal();
    // "out/" and "out" are one folder; comparisons need one spelling.
    if (!tidy.has_filename() && tidy.has_relative_path()) tidy = tidy.parent_path();
    return tidy.string();
}

std::string ResolvePath(const std::string& basePath, const std::string& path) {
    if (path.empty()) return path;
    const fs::path given(path);
    return TidyPath((given.is_absolute() ? given : fs::path(basePath) / given).string());
}

std::string ParseBatchDescription(const picojson::value& json, const std::string& basePath,
                                  BatchDescription* d) {
    if (!json.is<object>()) return "the macro description is not a JSON object";
    MemberReader reader(json.get<object>());

    std::string type = "BATCH";
    reader.Text("Type", &type);
    if (reader.ok() && type != "BATCH") {
        reader.Fail("the macro type " + Quoted(type) + " is not a batch (\"Type\": \"BATCH\")");
    }
    ReadInput(reader, basePath, d);
    ReadOutput(reader, basePath, d);
    ReadFormats(reader, d);

    reader.Flag("SkipIfExists", &d->skipIfExists);
    reader.Flag("ProcessIfUpdated", &d->processIfUpdated);
    reader.Flag("RetainTimeStamp", &d->retainTimeStamp);

    std::string execute = "CONVERT";
    reader.Text("ExecuteType", &execute);
    if (reader.ok()) {
        if (execute == "CONVERT") {
            d->executeType = ExecuteType::kConvert;
        } else if (execute == "ACTIONS") {
            d->executeType = ExecuteType::kActions;
            reader.Text("ActionFile", &d->actionFile);
            if (reader.ok() && d->actionFile.empty()) reader.Fail("ExecuteType ACTIONS names no \"ActionFile\"");
            d->actionFile = ResolvePath(basePath, d->actionFile);
        } else {
            reader.Fail("unknown ExecuteType " + Quoted(execute) + " (CONVERT or ACTIONS)");
        }
    }

    bool saveLog = false;
    reader.Flag("SaveLog", &saveLog);
    if (saveLog) {
        reader.Text("LogFile", &d->logFile);
        if (reader.ok() && d->logFile.empty()) reader.Fail("\"SaveLog\" is on but \"LogFile\" names no file");
        d->logFile = ResolvePath(basePath, d->logFile);
    }
    return reader.error();
}

std::string ReadBatchDescription(const std::string& path, const std::string& basePath, BatchDescription* d) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return "cannot open the macro description " + path + ": " + std::strerror(errno);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return "cannot read the macro description " + path;
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);

    picojson::value json;
    const std::string syntax = picojson::parse(json, text);
    if (!syntax.empty()) return "the macro description " + path + " is not valid JSON: " + syntax;
    const std::string problem = ParseBatchDescription(json, basePath, d);
    return problem.empty() ? problem : "macro description " + path + ": " + problem;
}

}  // namespace qfconsole
