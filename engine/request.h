// The execution request and result JSON texts.
#ifndef QFJS_ENGINE_REQUEST_H
#define QFJS_ENGINE_REQUEST_H

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include <picojson.h>

namespace qfjsbinding {

struct TJSFilterContext;

// Parses a pointer string: optional white space, then an unsigned decimal
// number (characters after it are ignored). Fails on an empty text, when no
// digits follow, and when the number does not fit a pointer.
bool str2ptr(std::string_view text, const void** out);

// A JSON number truncated toward zero to a signed 32-bit value (saturating
// beyond that range).
std::int32_t TruncateToInt32(double value);

// Parses the request text. Trailing text after the JSON value is an error; a
// number beyond the range of a double is kept as the largest double of its
// sign. Returns the parser's error text, empty on success.
std::string ParseRequest(const char* text, picojson::value* out);

// Reads the keys of a parsed request in their fixed order into the context,
// storing each as soon as it is read. Returns 0, or the status of the first
// missing, mistyped or unparsable key.
int ApplyRequest(const picojson::value& request, TJSFilterContext* context);

// The result JSON of a run (compact, keys in byte order).
std::string BuildResultJson(const TJSFilterContext* context, int runStatus, const std::string& message);

// The JSON reported when the request is not valid JSON.
std::string BuildParseFailureJson(const std::string& parserMessage);

}  // namespace qfjsbinding

#endif
