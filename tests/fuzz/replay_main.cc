// Outside fuzzing builds every fuzz target is linked with this main: it
// feeds each file of the given folders (or the given files) to the target
// once, in name order, so the seed corpus and every input that once found a
// fault run as part of the normal test suite.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <boost/filesystem/operations.hpp>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv) {
    namespace fs = boost::filesystem;
    std::vector<fs::path> inputs;
    for (int i = 1; i < argc; ++i) {
        const fs::path given(argv[i]);
        boost::system::error_code error;
        if (fs::is_directory(given, error)) {
            for (const fs::directory_entry& entry : fs::directory_iterator(given)) {
                if (fs::is_regular_file(entry.status())) inputs.push_back(entry.path());
            }
        } else if (fs::is_regular_file(given, error)) {
            inputs.push_back(given);
        }
        // A folder that does not exist yet (no regressions recorded) is fine.
    }
    std::sort(inputs.begin(), inputs.end());
    if (inputs.empty()) {
        std::fprintf(stderr, "no inputs\n");
        return 1;
    }
    for (const fs::path& input : inputs) {
        std::ifstream in(input.string(), std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (!in.good() && !in.eof()) {
            std::fprintf(stderr, "cannot read %s\n", input.string().c_str());
            return 1;
        }
        std::fprintf(stderr, "%s\n", input.filename().string().c_str());
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    }
    std::fprintf(stderr, "%zu inputs ran\n", inputs.size());
    return 0;
}
