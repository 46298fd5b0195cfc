#pragma once

#include <string_view>

#include "base/byte_buffer.h"

// The text an MHTML archive (RFC 2557) carries around its encoded bodies.
// Each function appends to `out` and does nothing else: the writer decides
// what the labels say, reads the files and sends the text on. Every line ends
// in CR LF, written here (RFC 5322 section 2.1, RFC 2046 section 5.1.1), so
// that the bytes need no translation on their way out.

// What labels one part.
struct PartLabels {
  std::string_view type{};       // the media type; empty: none known, said as application/octet-stream
  std::string_view charset{};    // a quoted-printable text part's charset; empty: a base64 part
  std::string_view location{};   // the part's URL, its Content-Location
  std::string_view contentId{};  // without its angle brackets; empty: no Content-ID
};

// The message's header fields and the empty line that ends them: a
// multipart/related message of HTML parts with `boundary`.
void AppendArchiveHeader(std::string_view boundary, ByteBuffer& out);

// The delimiter line that opens each part.
void AppendDelimiter(std::string_view boundary, ByteBuffer& out);

// A part's header fields and the empty line before its body.
void AppendPartHeader(const PartLabels& labels, ByteBuffer& out);

// What follows a part's body, up to the next delimiter.
void AppendPartEnd(ByteBuffer& out);

// The delimiter line that closes the archive; nothing follows it.
void AppendCloseDelimiter(std::string_view boundary, ByteBuffer& out);
