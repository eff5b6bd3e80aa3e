#include "host/console/input_listing.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <system_error>

#include "host/console/picture_formats.h"

namespace qfconsole {

namespace {

namespace fs = std::filesystem;

void SortByPath(std::vector<InputFile>* inputs) {
    std::sort(inputs->begin(), inputs->end(),
              [](const InputFile& a, const InputFile& b) { return a.path < b.path; });
}

void DropDuplicates(std::vector<InputFile>* inputs) {
    std::set<std::string> seen;
    std::vector<InputFile> kept;
    for (InputFile& input : *inputs) {
        if (seen.insert(input.path).second) kept.push_back(std::move(input));
    }
    *inputs = std::move(kept);
}

// True when `folder` is <ancestor>/<subPath> for `root` or one of the
// folders between root and `folder`.
bool IsOutputSubFolder(const fs::path& root, const fs::path& folder, const std::string& subPath) {
    if (subPath.empty()) return false;
    for (fs::path ancestor = folder.parent_path();; ancestor = ancestor.parent_path()) {
        if ((ancestor / subPath).lexically_normal() == folder) return true;
        if (ancestor == root || ancestor.string().size() <= root.string().size()) return false;
    }
}

std::string Trim(const std::string& text) {
    const char* kBlank = " \t\r\n";
    const std::size_t first = text.find_first_not_of(kBlank);
    if (first == std::string::npos) return std::string();
    return text.substr(first, text.find_last_not_of(kBlank) - first + 1);
}

struct SerialName {
    std::string before;
    std::string digits;
    std::string after;
};

// Splits a file name at the last run of digits of its stem.
bool SplitSerialName(const std::string& name, SerialName* parts) {
    const std::string extension = fs::path(name).extension().string();
    const std::string stem = name.substr(0, name.size() - extension.size());
    const std::size_t last = stem.find_last_of("0123456789");
    if (last == std::string::npos) return false;
    std::size_t first = last;
    while (first > 0 && stem[first - 1] >= '0' && stem[first - 1] <= '9') --first;
    parts->before = stem.substr(0, first);
    parts->digits = stem.substr(first, last - first + 1);
    parts->after = stem.substr(last + 1) + extension;
    return true;
}

bool AllDigits(const std::string& text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

bool Padded(const std::string& digits) { return digits.size() > 1 && digits[0] == '0'; }

// Compares two digit strings as numbers of any length.
bool NumberLess(const std::string& a, const std::string& b) {
    const std::size_t za = std::min(a.find_first_not_of('0'), a.size());
    const std::size_t zb = std::min(b.find_first_not_of('0'), b.size());
    const std::size_t la = a.size() - za;
    const std::size_t lb = b.size() - zb;
    if (la != lb) return la < lb;
    return a.compare(za, la, b, zb, lb) < 0;
}

}  // namespace

std::string ListFolder(const std::string& folder, bool recursive, const std::string& excludedFolder,
                       const std::string& excludedSubPath, std::vector<InputFile>* inputs) {
    std::error_code error;
    if (!fs::is_directory(folder, error)) return "the input folder " + folder + " does not exist or is not a folder";
    const fs::path root = TidyPath(folder);
    const fs::path excluded = excludedFolder.empty() ? fs::path() : fs::path(TidyPath(excludedFolder));
    const std::string subPath = excludedSubPath.empty() ? excludedSubPath : TidyPath(excludedSubPath);

    std::vector<InputFile> found;
    fs::recursive_directory_iterator it(root, fs::directory_options::none, error);
    for (; !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
        const fs::directory_entry& entry = *it;
        const fs::path path = entry.path().lexically_normal();
        std::error_code typeError;
        if (entry.is_directory(typeError) && !entry.is_symlink(typeError)) {
            const bool leaveOut = !recursive || path == excluded || IsOutputSubFolder(root, path, subPath);
            if (leaveOut) it.disable_recursion_pending();
            continue;
        }
        if (!entry.is_regular_file(typeError) || !HasLoadableExtension(path.string())) continue;
        std::string relative = path.parent_path().lexically_relative(root).string();
        if (relative == ".") relative.clear();
        found.push_back({path.string(), relative});
    }
    if (error) return "cannot list the input folder " + folder + ": " + error.message();
    SortByPath(&found);
    inputs->insert(inputs->end(), found.begin(), found.end());
    return std::string();
}

std::string ReadListFile(const std::string& listFile, std::vector<InputFile>* inputs) {
    std::ifstream in(listFile, std::ios::binary);
    if (!in) return "cannot open the list file " + listFile + ": " + std::strerror(errno);
    const fs::path base = fs::path(listFile).parent_path();
    std::string line;
    bool first = true;
    while (std::getline(in, line)) {
        if (first && line.compare(0, 3, "\xEF\xBB\xBF") == 0) line.erase(0, 3);
        first = false;
        const std::string entry = Trim(line);
        if (entry.empty()) continue;
        const fs::path path(entry);
        inputs->push_back({(path.is_absolute() ? path : base / path).lexically_normal().string(), std::string()});
    }
    if (in.bad()) return "cannot read the list file " + listFile;
    return std::string();
}

std::string ListSerial(const std::string& firstFile, std::vector<InputFile>* inputs) {
    std::error_code error;
    if (!fs::is_regular_file(firstFile, error)) return "the first file of the series " + firstFile + " does not exist";
    const fs::path first(firstFile);
    SerialName start;
    if (!SplitSerialName(first.filename().string(), &start)) {
        return "the first file of the series " + firstFile + " has no number in its name";
    }

    std::vector<std::pair<std::string, std::string>> series;  // number, path
    fs::directory_iterator it(first.parent_path(), error);
    for (; !error && it != fs::directory_iterator(); it.increment(error)) {
        std::error_code typeError;
        if (!it->is_regular_file(typeError)) continue;
        const std::string name = it->path().filename().string();
        if (name.size() <= start.before.size() + start.after.size()) continue;
        if (name.compare(0, start.before.size(), start.before) != 0) continue;
        if (name.compare(name.size() - start.after.size(), start.after.size(), start.after) != 0) continue;
        const std::string digits =
            name.substr(start.before.size(), name.size() - start.before.size() - start.after.size());
        if (!AllDigits(digits)) continue;
        const bool sameShape = Padded(start.digits) ? digits.size() == start.digits.size() : !Padded(digits);
        if (!sameShape || NumberLess(digits, start.digits)) continue;
        series.emplace_back(digits, it->path().lexically_normal().string());
    }
    if (error) return "cannot list the folder of the series " + firstFile + ": " + error.message();
    std::sort(series.begin(), series.end(), [](const auto& a, const auto& b) {
        return NumberLess(a.first, b.first) || (!NumberLess(b.first, a.first) && a.second < b.second);
    });
    for (const auto& [number, path] : series) inputs->push_back({path, std::string()});
    return std::string();
}

std::string ListInputs(const BatchDescription& d, std::vector<InputFile>* inputs) {
    std::string problem;
    switch (d.inputType) {
        case InputType::kFile:
            for (const std::string& file : d.inputFiles) inputs->push_back({file, std::string()});
            break;
        case InputType::kFolder: {
            // Outputs written into this folder tree must not become inputs of
            // a later run: the output folder and, beside each source, the
            // sub-folder that receives its outputs.
            const bool toFolder = d.outputType == OutputType::kFolder;
            const std::string excludedFolder =
                toFolder ? TidyPath((fs::path(d.outputFolder) / d.outputSubPath).string()) : std::string();
            const std::string excludedSubPath = d.outputType == OutputType::kSource ? d.outputSubPath : std::string();
            problem = ListFolder(d.inputFolder, d.searchSubfolder, excludedFolder, excludedSubPath, inputs);
            break;
        }
        case InputType::kList:
            problem = ReadListFile(d.listFile, inputs);
            break;
        case InputType::kSerial:
            problem = ListSerial(d.inputSerial, inputs);
            break;
    }
    DropDuplicates(inputs);
    return problem;
}

}  // namespace qfconsole
