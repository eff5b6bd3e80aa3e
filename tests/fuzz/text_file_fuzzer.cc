// LoadTextFile over any bytes, with any code-page name: the first line of
// the input (up to 40 bytes) names the code page, the rest is the file.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "tests/fuzz/fuzz_support.h"
#include "tools/text_encoding.h"
#include "tools/text_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static qfjs_fuzz::MemoryFile* file = new qfjs_fuzz::MemoryFile();

    const std::string input(reinterpret_cast<const char*>(data), size);
    std::size_t split = input.find('\n');
    if (split == std::string::npos || split > 40) split = 0;
    const std::string codePage = input.substr(0, split);
    const std::string content = input.substr(split == 0 ? 0 : split + 1);
    if (!file->Assign(content)) return 0;

    std::string text = "unchanged";
    const bool ok = qfjsbinding::LoadTextFile(file->path(), text, codePage);
    if (!ok) {
        if (text != "unchanged") std::abort();  // a failed read leaves the text alone
        return 0;
    }
    // Carriage returns never survive.
    if (text.find('\r') != std::string::npos) std::abort();
    // Whatever a code page or a UTF-16 mark produced is well-formed UTF-8.
    const bool decoded = codePage.size() > 0 || content.rfind("\xFF\xFE", 0) == 0 || content.rfind("\xFE\xFF", 0) == 0;
    const bool utf8BomOnly = content.rfind("\xEF\xBB\xBF", 0) == 0;
    if (decoded && !utf8BomOnly) {
        if (!qfjsbinding::DecodeUtf8(text, [](char32_t) {})) std::abort();
    }

    // And the same text back through the code page, where ICU knows it.
    std::string bytes;
    if (!codePage.empty()) qfjsbinding::Utf8ToCodePage(text, codePage, &bytes);
    return 0;
}
