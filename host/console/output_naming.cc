#include "host/console/output_naming.h"

#include <filesystem>
#include <map>

#include "host/console/picture_formats.h"

namespace qfconsole {

namespace fs = std::filesystem;

std::string OutputPathFor(const BatchDescription& d, const InputFile& input) {
    if (d.outputType == OutputType::kFile) return d.outputFile;
    const fs::path source(input.path);
    const std::string name = d.prefix + source.stem().string() + d.postfix + kOutputExtension;
    fs::path folder;
    if (d.outputType == OutputType::kSource) {
        folder = source.parent_path() / d.outputSubPath;
    } else {
        folder = fs::path(d.outputFolder) / d.outputSubPath / input.relativeFolder;
    }
    return (folder / name).lexically_normal().string();
}

std::string PlanOutputs(const BatchDescription& d, const std::vector<InputFile>& inputs,
                        std::vector<PlannedFile>* plan) {
    if (d.outputType == OutputType::kFile && inputs.size() > 1) {
        return "OutputType FILE writes one file (" + d.outputFile + "), but the input has " +
               std::to_string(inputs.size()) + " files; write them into a folder (-o) or beside the sources (-u)";
    }
    std::map<std::string, std::string> firstInputOf;  // output -> input
    for (const InputFile& input : inputs) {
        PlannedFile file{input, OutputPathFor(d, input), std::string()};
        const auto [existing, inserted] = firstInputOf.emplace(file.output, input.path);
        if (!inserted) {
            file.conflict = "its output " + file.output + " is already the output of " + existing->second;
        }
        plan->push_back(std::move(file));
    }
    return std::string();
}

}  // namespace qfconsole
