#pragma once

#include <string>
#include <string_view>

// Reading a Content-Type header's value ("text/css; charset=UTF-8"), as a
// server sends it for a fetched file.

// The media type, lower-cased, without parameters ("text/css").
std::string MediaTypeOf(std::string_view contentType);

// The charset parameter's value, unquoted and lower-cased; empty when
// there is none.
std::string CharsetParameter(std::string_view contentType);

// True for the media types whose parts are kept as text: text/*, scripts,
// JSON, XML and SVG.
bool IsTextMediaType(std::string_view mediaType);
