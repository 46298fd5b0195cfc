#include "archive/mime_reader.h"

#include <algorithm>

#include "base/path_text.h"

namespace {

// The longest boundary RFC 2046 allows is 70 characters; writers are known
// to go a little past it, never this far.
constexpr std::size_t kLongestBoundary = 200;
// Transport padding after a delimiter longer than a line may be is no
// delimiter's.
constexpr std::size_t kLongestPadding = 998;
// Bytes used at the front of the pending ones are let go once this many.
constexpr std::size_t kCompactAt = std::size_t{64} * 1024;

std::string Quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

}  // namespace

MimeReader::MimeReader(MimePartSink& sink) : m_sink(sink) {}

MimeReader::~MimeReader() = default;

bool MimeReader::Feed(std::string_view bytes) {
  if (m_state == State::kFailed) return false;
  if (m_state == State::kEpilogue) return true;
  m_pending.append(bytes);
  Process(false);
  return m_state != State::kFailed;
}

bool MimeReader::Finish() {
  if (m_state == State::kFailed) return false;
  Process(true);
  if (m_state == State::kMessageHeader) {
    Fail(m_headerSize == 0 && m_pending.empty() ? "the archive is empty" : "the archive ends inside its header");
  } else if (m_state == State::kPartHeader) {
    Fail(m_headerSize == 0 && m_pending.empty()
             ? "the archive ends after part " + std::to_string(m_part.number) + ", before its closing boundary"
             : "the archive ends inside the header of part " + std::to_string(m_part.number + 1));
  }
  return m_state == State::kEpilogue;
}

void MimeReader::Process(bool atEnd) {
  bool progress = true;
  while (progress) {
    switch (m_state) {
      case State::kMessageHeader:
      case State::kPartHeader: progress = ReadHeaderLine(); break;
      case State::kPreamble: progress = SkipPreamble(atEnd); break;
      case State::kBody: progress = ReadBody(atEnd); break;
      case State::kEpilogue:
        m_start = m_pending.size();
        progress = false;
        break;
      case State::kFailed: return;
    }
  }
  if (m_start == m_pending.size()) {
    m_pending.clear();
    m_start = 0;
  } else if (m_start >= kCompactAt) {
    m_pending.erase(0, m_start);
    m_start = 0;
  }
}

bool MimeReader::ReadHeaderLine() {
  const std::string where = m_state == State::kMessageHeader
                                ? "the archive's header"
                                : "the header of part " + std::to_string(m_part.number + 1);
  const std::size_t lineEnd = m_pending.find('\n', m_start);
  if (lineEnd == std::string::npos) {
    if (m_pending.size() - m_start > kLongestHeaderField) {
      Fail("a line of " + where + " is longer than " + std::to_string(kLongestHeaderField) + " bytes");
    }
    return false;
  }
  std::string_view line(m_pending.data() + m_start, lineEnd - m_start);
  if (line.ends_with('\r')) line.remove_suffix(1);
  if (line.size() > kLongestHeaderField) {
    Fail("a line of " + where + " is longer than " + std::to_string(kLongestHeaderField) + " bytes");
    return false;
  }
  m_headerSize += lineEnd + 1 - m_start;
  m_start = lineEnd + 1;
  if (m_headerSize > kLargestHeader) {
    Fail(where + " goes on past " + std::to_string(kLargestHeader) + " bytes");
    return false;
  }
  if (line.empty()) return m_state == State::kMessageHeader ? StartMessage() : StartPart();
  if (!m_header.AddLine(line)) {
    Fail(where + " holds a line that is no header field");
    return false;
  }
  if (m_header.LastFieldSize() > kLongestHeaderField) {
    Fail("a field of " + where + " is longer than " + std::to_string(kLongestHeaderField) + " bytes");
    return false;
  }
  return true;
}

bool MimeReader::StartMessage() {
  const std::string field = m_header.Field("content-type");
  const ContentType type = ParseContentType(field);
  if (!type.type.starts_with("multipart/")) {
    Fail(field.empty() ? "the archive is no MIME multipart message: its header has no Content-Type"
                       : "the archive is no MIME multipart message: its Content-Type is " + Quoted(field));
    return false;
  }
  m_message.type = type.type;
  m_message.boundary = type.Parameter("boundary");
  m_message.start = ParseContentId(type.Parameter("start"));
  m_message.snapshotLocation = m_header.FieldWithoutFolds("snapshot-content-location");
  if (m_message.boundary.empty()) {
    Fail("the archive's Content-Type names no boundary");
    return false;
  }
  if (m_message.boundary.size() > kLongestBoundary) {
    Fail("the archive's boundary is longer than " + std::to_string(kLongestBoundary) + " characters");
    return false;
  }
  m_delimiter = "--" + m_message.boundary;
  m_header.Clear();
  m_headerSize = 0;
  m_state = State::kPreamble;
  m_lineStart = true;
  return true;
}

bool MimeReader::StartPart() {
  const std::size_t number = m_part.number + 1;
  m_part = MimePart();
  m_part.number = number;
  if (m_part.number > kMostParts) {
    Fail("the archive has more than " + std::to_string(kMostParts) + " parts");
    return false;
  }
  m_partFault.clear();
  const std::string typeField = m_header.Field("content-type");
  const ContentType type = ParseContentType(typeField);
  m_part.type = typeField.empty() ? "text/plain" : type.type.empty() ? "application/octet-stream" : type.type;
  if (!typeField.empty() && type.type.empty()) m_partFault = "its Content-Type " + Quoted(typeField) + " is unreadable";
  m_part.charset = type.Parameter("charset");
  const std::string encoding = m_header.Field("content-transfer-encoding");
  m_part.transferEncoding = encoding.empty() ? "7bit" : ToLower(encoding);
  m_part.location = m_header.FieldWithoutFolds("content-location");
  m_part.contentId = ParseContentId(m_header.Field("content-id"));
  m_decoder = MakeTransferDecoder(encoding);
  if (!m_decoder) {
    m_partFault = "its Content-Transfer-Encoding " + Quoted(encoding) + " is unknown";
    m_decoder = std::make_unique<IdentityDecoder>();
  }
  if (m_part.type.starts_with("multipart/")) {
    // Nested boundaries cannot be mistaken for ours (RFC 2046 forbids one
    // that begins with an outer one), so the part is read past whole.
    m_partFault = "it is itself a " + m_part.type + ", and nested parts are not read";
    m_decoder = std::make_unique<IdentityDecoder>();
  }
  m_header.Clear();
  m_headerSize = 0;
  m_decodedSize = 0;
  m_state = State::kBody;
  m_lineStart = true;
  m_sink.PartBegins(m_part);
  return true;
}

MimeReader::Delimiter MimeReader::DelimiterAt(std::size_t dashes, bool atEnd) const {
  std::size_t at = dashes + m_delimiter.size();
  const std::size_t size = m_pending.size();
  if (at + 2 <= size && m_pending.compare(at, 2, "--") == 0) return {Delimiter::kClosing, at + 2};
  const std::size_t paddingStart = at;
  while (at < size && (m_pending[at] == ' ' || m_pending[at] == '\t') && at - paddingStart <= kLongestPadding) ++at;
  if (at - paddingStart > kLongestPadding) return {};
  if (at == size) return atEnd ? Delimiter{Delimiter::kPart, at} : Delimiter{Delimiter::kUnknown, 0};
  if (m_pending[at] == '\n') return {Delimiter::kPart, at + 1};
  if (m_pending[at] == '\r') {
    if (at + 1 == size) return atEnd ? Delimiter{Delimiter::kPart, at + 1} : Delimiter{Delimiter::kUnknown, 0};
    if (m_pending[at + 1] == '\n') return {Delimiter::kPart, at + 2};
    return {};
  }
  // One '-' of a closing delimiter, the other yet to come.
  if (m_pending[at] == '-' && at == paddingStart && at + 1 == size && !atEnd) return {Delimiter::kUnknown, 0};
  return {};
}

std::size_t MimeReader::NextDelimiter(std::size_t from) const {
  if (from == m_start && m_lineStart && m_pending.compare(m_start, m_delimiter.size(), m_delimiter) == 0)
    return m_start;
  const std::size_t lineBreak = m_pending.find("\n" + m_delimiter, from == m_start ? from : from - 1);
  return lineBreak == std::string::npos ? lineBreak : lineBreak + 1;
}

bool MimeReader::SkipPreamble(bool atEnd) {
  for (std::size_t dashes = NextDelimiter(m_start); dashes != std::string::npos; dashes = NextDelimiter(dashes + 1)) {
    const Delimiter delimiter = DelimiterAt(dashes, atEnd);
    if (delimiter.kind == Delimiter::kNone) continue;
    m_start = dashes;
    m_lineStart = true;
    if (delimiter.kind == Delimiter::kUnknown) return false;
    if (delimiter.kind == Delimiter::kClosing) {
      Fail("the archive has no parts");
      return false;
    }
    m_start = delimiter.end;
    m_state = State::kPartHeader;
    return true;
  }
  KeepTail();
  if (atEnd) Fail("the boundary " + Quoted(m_message.boundary) + " that the archive's header gives is nowhere in it");
  return false;
}

bool MimeReader::ReadBody(bool atEnd) {
  for (std::size_t dashes = NextDelimiter(m_start); dashes != std::string::npos; dashes = NextDelimiter(dashes + 1)) {
    const Delimiter delimiter = DelimiterAt(dashes, atEnd);
    if (delimiter.kind == Delimiter::kNone) continue;
    // The line break before a delimiter is the delimiter's (RFC 2046 section 5.1.1).
    std::size_t bodyEnd = dashes;
    if (bodyEnd > m_start) --bodyEnd;
    if (bodyEnd > m_start && m_pending[bodyEnd - 1] == '\r') --bodyEnd;
    SendBody(bodyEnd);
    if (delimiter.kind == Delimiter::kUnknown) return false;
    EndPart({});
    m_start = delimiter.end;
    m_state = delimiter.kind == Delimiter::kClosing ? State::kEpilogue : State::kPartHeader;
    return true;
  }
  const std::size_t kept = m_start;
  KeepTail();
  const std::size_t tailStart = m_start;
  m_start = kept;
  SendBody(tailStart);
  if (atEnd) {
    SendBody(m_pending.size());
    const std::string error =
        "the archive ends inside part " + std::to_string(m_part.number) + ", before its closing boundary";
    EndPart(error);
    Fail(error);
  }
  return false;
}

void MimeReader::KeepTail() {
  // Enough for a line break and a delimiter's first bytes but one.
  const std::size_t keep = m_delimiter.size() + 2;
  if (m_pending.size() - m_start <= keep) return;
  m_start = m_pending.size() - keep;
  m_lineStart = m_pending[m_start - 1] == '\n';
}

void MimeReader::SendBody(std::size_t end) {
  if (end <= m_start) return;
  m_decoder->Decode(std::string_view(m_pending).substr(m_start, end - m_start), m_decoded);
  m_start = end;
  m_lineStart = false;
  if (m_decoded.empty()) return;
  m_decodedSize += m_decoded.size();
  m_sink.PartBytes(m_decoded);
  m_decoded.clear();
}

void MimeReader::EndPart(const std::string& fault) {
  m_decoder->Finish(m_decoded);
  if (!m_decoded.empty()) {
    m_decodedSize += m_decoded.size();
    m_sink.PartBytes(m_decoded);
    m_decoded.clear();
  }
  const std::string& first = !fault.empty() ? fault : !m_partFault.empty() ? m_partFault : m_decoder->Fault();
  m_sink.PartEnds(m_decodedSize, first);
  m_decoder.reset();
}

void MimeReader::Fail(std::string error) {
  m_error = std::move(error);
  m_state = State::kFailed;
  m_pending.clear();
  m_start = 0;
}
