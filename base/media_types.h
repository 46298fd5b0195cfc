#pragma once

#include <map>
#include <string>
#include <string_view>

// The system's table of media types by file extension, in the mime.types
// form: one type per line followed by its extensions, "#" comments, fields
// separated by blanks. Extension (without its dot) to type.
using MediaTypeTable = std::map<std::string, std::string>;

// Debian's media-types package keeps the table here.
inline constexpr const char* kSystemMediaTypesPath = "/etc/mime.types";

// The first line that names an extension gives its type; lines without an
// extension are skipped.
MediaTypeTable ParseMediaTypes(std::string_view text);

// The table in the file at `path`; empty when it cannot be read.
MediaTypeTable ReadMediaTypes(const std::string& path = kSystemMediaTypesPath);

// The system's table, read at the first call: a run of many conversions
// reads it once. Safe to call from several threads.
const MediaTypeTable& SystemMediaTypes();
