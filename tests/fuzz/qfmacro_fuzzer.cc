// qfmacro's command line and the merge of a macro description, in process.
//
// Input: command-line words, one per line, up to the first empty line; then
// the macro description; after the first NUL byte, an options file. The word
// "@M" names the description (a .qfmacro file in a private folder) and "@O"
// the options file, so the parser can get as far as the merge.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <boost/filesystem/operations.hpp>
#include <picojson.h>

#include "frontend/command_line.h"
#include "frontend/merge_options.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

struct Folder {
    Folder() {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/qfmacro-fuzz-XXXXXX";
        if (!mkdtemp(pattern.data())) {
            std::perror("mkdtemp");
            std::abort();
        }
        path = pattern;
        macroFile = path + "/m.qfmacro";
    }
    ~Folder() {
        boost::system::error_code ignored;
        boost::filesystem::remove_all(path, ignored);
    }
    std::string path;
    std::string macroFile;
};

bool WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Folder* folder = new Folder();
    static qfjs_fuzz::MemoryFile* options = new qfjs_fuzz::MemoryFile();

    const std::string input(reinterpret_cast<const char*>(data), size);
    std::size_t wordsEnd = input.find("\n\n");
    if (wordsEnd == std::string::npos) wordsEnd = input.size();
    std::string rest = wordsEnd < input.size() ? input.substr(wordsEnd + 2) : std::string();
    const std::size_t nul = rest.find('\0');
    const std::string optionsText = nul == std::string::npos ? std::string() : rest.substr(nul + 1);
    const std::string description = rest.substr(0, nul);
    if (!WriteFile(folder->macroFile, description) || !options->Assign(optionsText)) return 0;

    std::vector<std::string> words{"qfmacro"};
    std::size_t begin = 0;
    while (begin < wordsEnd && words.size() < 64) {
        std::size_t end = input.find('\n', begin);
        if (end == std::string::npos || end > wordsEnd) end = wordsEnd;
        std::string word = input.substr(begin, end - begin).c_str();  // argv words end at a NUL
        if (word == "@M") word = folder->macroFile;
        if (word == "@O") word = options->path();
        words.push_back(word);
        begin = end + 1;
    }
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);

    qfmacro::QFMacroParams params;
    if (!qfmacro::ParseCommandLine(static_cast<int>(words.size()), argv.data(), &params)) return 0;
    // The parser permutes argv but keeps every word.
    if (argv[words.size()] != nullptr) std::abort();

    try {
        qfmacro::MergeOptions(params, folder->path);
    } catch (const std::exception&) {
        // Documented failures (a description that is not an object, a file
        // that cannot be written); the caller removes a file already made.
        boost::system::error_code ignored;
        if (!params.tempMacroFile.empty()) boost::filesystem::remove(params.tempMacroFile, ignored);
        return 0;
    }
    // The merged description is one JSON object with the defaults filled in.
    std::ifstream merged(params.tempMacroFile.string(), std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(merged)), std::istreambuf_iterator<char>());
    picojson::value value;
    if (!picojson::parse(value, text).empty() || !value.is<picojson::object>()) std::abort();
    for (const char* key : {"Type", "ExecuteType", "OutputType", "SkipIfExists", "ProcessIfUpdated"}) {
        if (!value.contains(key)) std::abort();
    }
    boost::system::error_code ignored;
    boost::filesystem::remove(params.tempMacroFile, ignored);
    return 0;
}
