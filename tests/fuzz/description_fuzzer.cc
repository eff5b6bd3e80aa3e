// Script files for the host's script list: QFJS_LoadScript and
// QFJS_GetScriptDescription over any file content, under any locale name.
// The first line of the input (up to 64 bytes) becomes the locale the
// description is looked up for; the rest is the file.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static qfjs_fuzz::MemoryFile* file = new qfjs_fuzz::MemoryFile();

    const std::string input(reinterpret_cast<const char*>(data), size);
    std::size_t split = input.find('\n');
    if (split == std::string::npos || split > 64) split = 0;
    const std::string locale = input.substr(0, split).c_str();  // up to a NUL
    const std::string content = input.substr(split == 0 ? 0 : split + 1);
    if (!file->Assign(content)) return 0;

    if (locale.empty()) {
        unsetenv("LC_ALL");
    } else {
        setenv("LC_ALL", locale.c_str(), 1);
    }
    char* text = QFJS_LoadScript(file->path().c_str());
    char* description = QFJS_GetScriptDescription(file->path().c_str());
    // Both read the same file the same way: both succeed or both fail.
    if ((text == nullptr) != (description == nullptr)) std::abort();
    if (description) {
        // The description is made of pieces of the file's header lines, at
        // most 1.5 times the file's size once UTF-16 is turned into UTF-8.
        if (std::strlen(description) > content.size() + content.size() / 2) std::abort();
    }
    QFJS_MemFree(text);
    QFJS_MemFree(description);
    return 0;
}
