#include "tools/text_file.h"

#include <sys/stat.h>
#include <sys/types.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <memory>
#include <new>
#include <stdexcept>

#include "tools/text_convert.h"
#include "tools/text_encoding.h"

namespace qfjsbinding {

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const noexcept { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

bool StartsWith(std::string_view bytes, std::string_view mark) {
    return bytes.size() >= mark.size() && bytes.compare(0, mark.size(), mark) == 0;
}

// The whole file in one piece. The size comes from positioning at the end;
// only regular files have a size that means anything (a directory reports a
// huge one, a pipe none).
bool ReadAllBytes(const boost::filesystem::path& file, std::string* bytes) {
    const std::string& native = file.native();
    if (native.empty() || ContainsNul(native)) return false;
    File f(std::fopen(native.c_str(), "rb"));
    if (!f) return false;
    struct stat info {};
    if (fstat(fileno(f.get()), &info) != 0 || !S_ISREG(info.st_mode)) return false;
    if (fseeko(f.get(), 0, SEEK_END) != 0) return false;
    const off_t end = ftello(f.get());
    if (end < 0 || fseeko(f.get(), 0, SEEK_SET) != 0) return false;
    if (static_cast<std::uintmax_t>(end) > std::numeric_limits<std::size_t>::max() / 2) return false;
    const auto size = static_cast<std::size_t>(end);

    std::string buffer(size, '\0');
    std::size_t done = 0;
    while (done < size) {
        const std::size_t n = std::fread(buffer.data() + done, 1, size - done, f.get());
        if (n == 0) return false;
        done += n;
    }
    *bytes = std::move(buffer);
    return true;
}

// The decoding rules in order: first matching mark wins, then the code page.
// False only for the refused UTF-32 marks.
bool Decode(std::string bytes, std::string_view codePage, std::string* text) {
    using namespace std::string_view_literals;
    const std::string_view view(bytes);
    if (StartsWith(view, "\xEF\xBB\xBF"sv)) {
        bytes.erase(0, 3);
        *text = std::move(bytes);
        return true;
    }
    if (StartsWith(view, "\x00\x00\xFE\xFF"sv) || StartsWith(view, "\xFF\xFE\x00\x00"sv)) return false;
    if (StartsWith(view, "\xFF\xFE"sv) || StartsWith(view, "\xFE\xFF"sv)) {
        const bool bigEndian = view[0] == '\xFE';
        if (!Utf16BytesToUtf8(view.substr(2), bigEndian, text)) text->clear();
        return true;
    }
    if (codePage.empty()) {
        *text = std::move(bytes);
        return true;
    }
    if (!CodePageToUtf8(view, codePage, text)) text->clear();
    return true;
}

}  // namespace

bool LoadTextFile(const boost::filesystem::path& file, std::string& out, std::string_view codePage) {
    try {
        std::string bytes;
        if (!ReadAllBytes(file, &bytes)) return false;
        std::string text;
        if (!Decode(std::move(bytes), codePage, &text)) return false;
        text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
        out = std::move(text);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const std::length_error&) {
        return false;
    }
}

}  // namespace qfjsbinding
