#include "host/lib/call_log.h"

#include <charconv>
#include <cmath>
#include <system_error>

namespace qfhost {

namespace {

// The operation name of an entry: between the first '.' and the first '('.
std::string_view OperationOf(std::string_view entry) {
    const std::size_t dot = entry.find('.');
    const std::size_t paren = entry.find('(');
    if (dot == std::string_view::npos || paren == std::string_view::npos || paren < dot) return {};
    return entry.substr(dot + 1, paren - dot - 1);
}

}  // namespace

bool CallLog::Contains(std::string_view entry) const {
    return Count(entry) > 0;
}

std::size_t CallLog::Count(std::string_view entry) const {
    std::size_t n = 0;
    for (const std::string& e : entries_) {
        if (e == entry) ++n;
    }
    return n;
}

std::size_t CallLog::CountOperation(std::string_view operation) const {
    std::size_t n = 0;
    for (const std::string& e : entries_) {
        if (OperationOf(e) == operation) ++n;
    }
    return n;
}

std::vector<std::string> CallLog::EntriesOf(std::string_view label) const {
    std::vector<std::string> out;
    for (const std::string& e : entries_) {
        if (e.size() > label.size() && e.compare(0, label.size(), label) == 0 &&
            e[label.size()] == '.') {
            out.push_back(e);
        }
    }
    return out;
}

std::string CallLog::Text() const {
    std::string out;
    for (const std::string& e : entries_) {
        out += e;
        out += '\n';
    }
    return out;
}

namespace logarg {

void Append(std::string& out, int value) {
    out += std::to_string(value);
}

void Append(std::string& out, unsigned value) {
    out += std::to_string(value);
}

void Append(std::string& out, double value) {
    if (std::isnan(value)) {
        out += "nan";
        return;
    }
    if (std::isinf(value)) {
        out += value < 0 ? "-inf" : "inf";
        return;
    }
    char buffer[64];
    const std::to_chars_result r = std::to_chars(buffer, buffer + sizeof buffer, value);
    if (r.ec == std::errc()) out.append(buffer, r.ptr);
}

void Append(std::string& out, bool value) {
    out += value ? "true" : "false";
}

void Append(std::string& out, const std::string& value) {
    // A JSON string literal; '/' and non-ASCII bytes stay as they are so
    // paths and names read naturally.
    static const char kHex[] = "0123456789abcdef";
    out += '"';
    for (const char ch : value) {
        const auto c = static_cast<unsigned char>(ch);
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (c < 0x20) {
                    out += "\\u00";
                    out += kHex[c >> 4];
                    out += kHex[c & 15];
                } else {
                    out += ch;
                }
        }
    }
    out += '"';
}

void Append(std::string& out, const char* value) {
    if (!value) {
        out += "null";
        return;
    }
    Append(out, std::string(value));
}

void Append(std::string& out, const Raw& raw) {
    out += raw.text;
}

}  // namespace logarg

}  // namespace qfhost
