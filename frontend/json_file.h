// Reading a JSON file such as a macro description or an options file.
#ifndef QFMACRO_FRONTEND_JSON_FILE_H
#define QFMACRO_FRONTEND_JSON_FILE_H

#include <string>

#include <picojson.h>

namespace qfmacro {

// Parses the file as one JSON value into target, skipping a leading UTF-8
// byte-order mark. Text after the value is ignored. Nothing is reported: when
// the file cannot be opened or is not valid JSON, target keeps its previous
// content (a half-read value is never left behind).
void LoadJsonFile(picojson::value& target, const std::string& path);

}  // namespace qfmacro

#endif  // QFMACRO_FRONTEND_JSON_FILE_H
