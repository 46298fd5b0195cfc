#include "archive/mhtml_format.h"

namespace {

// RFC 5322 section 2.1: a line ends in CR LF.
constexpr std::string_view kLineEnd = "\r\n";

// A header field's line continued on the next (folded, RFC 5322 section
// 2.2.3): CR LF and a tab.
constexpr std::string_view kFold = "\r\n\t";

// RFC 2046 section 4.5.1: bytes of no known type are application/octet-stream.
constexpr std::string_view kUnknownType = "application/octet-stream";

void AppendField(std::string_view name, std::string_view value, ByteBuffer& out) {
  out.Append(name);
  out.Append(": ");
  out.Append(value);
  out.Append(kLineEnd);
}

}  // namespace

void AppendArchiveHeader(std::string_view boundary, ByteBuffer& out) {
  // RFC 5322 section 3.6.2: the originator; RFC 2045 section 4: the version.
  AppendField("From", "<Saved by Korvath Scrivane Builder>", out);
  AppendField("MIME-Version", "1.0", out);
  // RFC 2387 section 3.1: multipart/related names its root part's type;
  // RFC 2046 section 5.1.1: the boundary, quoted.
  out.Append("Content-Type: multipart/related;");
  out.Append(kFold);
  out.Append("boundary=\"");
  out.Append(boundary);
  out.Append("\";");
  out.Append(kFold);
  out.Append("type=\"text/html\"");
  out.Append(kLineEnd);
  // RFC 5322 section 2.1: an empty line ends the header.
  out.Append(kLineEnd);
}

// RFC 2046 section 5.1.1: "--" and the boundary, alone on its line.
void AppendDelimiter(std::string_view boundary, ByteBuffer& out) {
  out.Append("--");
  out.Append(boundary);
  out.Append(kLineEnd);
}

void AppendPartHeader(const PartLabels& labels, ByteBuffer& out) {
  const std::string_view type = labels.type.empty() ? kUnknownType : labels.type;
  // RFC 2045 sections 5.1 and 6.1, RFC 2046 section 4.1.2: a text part
  // names its charset and is quoted-printable; any other part is base64 and
  // names none.
  if (labels.charset.empty()) {
    AppendField("Content-Type", type, out);
    AppendField("Content-Transfer-Encoding", "base64", out);
  } else {
    out.Append("Content-Type: ");
    out.Append(type);
    out.Append(";");
    out.Append(kFold);
    out.Append("charset=\"");
    out.Append(labels.charset);
    out.Append("\"");
    out.Append(kLineEnd);
    AppendField("Content-Transfer-Encoding", "quoted-printable", out);
  }
  // RFC 2557 section 4: the URL that references to the part use.
  AppendField("Content-Location", labels.location, out);
  if (!labels.contentId.empty()) {
    // RFC 2045 section 7: the Content-ID, in angle brackets, which a cid:
    // URL names (RFC 2392 section 2).
    out.Append("Content-ID: <");
    out.Append(labels.contentId);
    out.Append(">");
    out.Append(kLineEnd);
  }
  // RFC 2046 section 5.1.1: an empty line between a part's header and body.
  out.Append(kLineEnd);
}

// The first line end closes the body's last line; the second is the one
// RFC 2046 section 5.1.1 counts as the start of the next delimiter.
void AppendPartEnd(ByteBuffer& out) {
  out.Append(kLineEnd);
  out.Append(kLineEnd);
}

// RFC 2046 section 5.1.1: the delimiter with "--" after the boundary.
void AppendCloseDelimiter(std::string_view boundary, ByteBuffer& out) {
  out.Append("--");
  out.Append(boundary);
  out.Append("--");
  out.Append(kLineEnd);
}
