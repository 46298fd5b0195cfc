#include "archive/quoted_printable_encoder.h"

#include <array>

namespace {

// A line is broken softly once it holds this many characters, so that with
// an escape and the "=" mark it stays within RFC 2045's 76.
constexpr std::size_t kSoftBreakAt = 72;

// Bytes written as themselves: tab and 0x20 to 0x7E except "=" (DEL is a
// control character, which a strict reader refuses unescaped). The one
// exception, a "." right after a line feed, can only open a run.
using ByteTable = std::array<bool, 256>;

constexpr ByteTable MakePlainTable() {
  ByteTable plain{};
  plain['\t'] = true;
  for (int b = 0x20; b <= 0x7E; ++b) {
    plain[b] = true;
  }
  plain['='] = false;
  return plain;
}

constexpr ByteTable kPlain = MakePlainTable();

bool IsBlank(int b) { return b == ' ' || b == '\t'; }

}  // namespace

void QuotedPrintableEncoder::Append(std::string_view text, ByteBuffer& out) {
  const auto* in = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t size = text.size();
  std::size_t pos = 0;
  if (!TakeWaiting(text, pos, out)) return;
  // A blank that ends the piece may end the text, where it must be escaped
  // (RFC 2045 section 6.7, rule 3): plain runs stop before it.
  const std::size_t plainEnd = size != 0 && IsBlank(in[size - 1]) ? size - 1 : size;
  while (pos < size) {
    const unsigned char b = in[pos];
    // A "." alone on a line ends an SMTP message body, so one that opens an
    // input line is escaped. After a soft break it stays literal.
    const bool dotOpeningLine = b == '.' && m_previous == '\n';
    if (pos < plainEnd && kPlain[b] && !dotOpeningLine) {
      AppendPlainRun(in, pos, plainEnd, out);
    } else if (b == '\n') {
      ++pos;
      AppendLineBreak(out);
    } else if (pos + 1 == size && (b == '\r' || pos == plainEnd)) {
      // What follows decides: a line feed, or the text's end.
      m_waiting = b;
      return;
    } else if (b == '\r' && in[pos + 1] == '\n') {
      // RFC 2045 section 6.7, rule 4: CR LF is the canonical line break.
      pos += 2;
      AppendLineBreak(out);
    } else {
      ++pos;
      AppendEscaped(b, out);
    }
  }
}

void QuotedPrintableEncoder::Finish(ByteBuffer& out) {
  if (m_waiting >= 0) AppendEscaped(static_cast<unsigned char>(m_waiting), out);
  m_lineLength = 0;
  m_previous = -1;
  m_waiting = -1;
}

// The byte that ended the last piece, now that the next one is here; false
// while the piece is empty and it must wait on.
bool QuotedPrintableEncoder::TakeWaiting(std::string_view text, std::size_t& pos, ByteBuffer& out) {
  if (m_waiting < 0) return true;
  if (text.empty()) return false;
  const int waiting = m_waiting;
  m_waiting = -1;
  if (waiting == '\r' && text.front() == '\n') {
    // The byte before the carriage return is still the one that counts.
    ++pos;
    AppendLineBreak(out);
  } else if (waiting == '\r') {
    AppendEscaped('\r', out);
  } else {
    out.Append(std::string_view(reinterpret_cast<const char*>(&waiting), 1));
    ++m_lineLength;
    m_previous = waiting;
    BreakIfFull(out);
  }
  return true;
}

// Takes the longest run of plain bytes that still fits the current line.
void QuotedPrintableEncoder::AppendPlainRun(const unsigned char* in, std::size_t& pos, std::size_t plainEnd,
                                            ByteBuffer& out) {
  const std::size_t room = kSoftBreakAt - m_lineLength;
  const std::size_t limit = plainEnd - pos < room ? plainEnd : pos + room;
  std::size_t end = pos + 1;
  while (end < limit && kPlain[in[end]]) {
    ++end;
  }
  out.Append(std::string_view(reinterpret_cast<const char*>(in + pos), end - pos));
  m_lineLength += end - pos;
  m_previous = in[end - 1];
  pos = end;
  BreakIfFull(out);
}

// A hard line break is CR LF (RFC 2045 section 6.7, rule 4), as every line
// end of a MIME message is (RFC 5322 section 2.1).
void QuotedPrintableEncoder::AppendLineBreak(ByteBuffer& out) {
  // Trailing white space would be stripped by decoders (RFC 2045 section
  // 6.7, rule 3): protect it with a soft break first.
  out.Append(IsBlank(m_previous) ? "=\r\n\r\n" : "\r\n");
  m_lineLength = 0;
  m_previous = '\n';
}

void QuotedPrintableEncoder::AppendEscaped(unsigned char b, ByteBuffer& out) {
  constexpr char kHex[] = "0123456789ABCDEF";
  const char escape[3] = {'=', kHex[b >> 4], kHex[b & 15]};
  out.Append(std::string_view(escape, 3));
  m_lineLength += 3;
  m_previous = b;
  BreakIfFull(out);
}

// A soft line break is "=" and CR LF (RFC 2045 section 6.7, rule 5).
void QuotedPrintableEncoder::BreakIfFull(ByteBuffer& out) {
  if (m_lineLength >= kSoftBreakAt) {
    out.Append("=\r\n");
    m_lineLength = 0;
  }
}

void AppendQuotedPrintable(std::string_view bytes, ByteBuffer& out) {
  // Text grows by a soft break of three characters every 72 and by a
  // carriage return at each line break, some 6 % for prose and markup; more
  // escapes than that, and the buffer's own growth covers them.
  out.Reserve(out.Size() + bytes.size() + bytes.size() / 16 + 16);
  QuotedPrintableEncoder encoder;
  encoder.Append(bytes, out);
  encoder.Finish(out);
}

std::string EncodeQuotedPrintable(const void* bytes, std::int64_t count) {
  ByteBuffer out;
  if (count > 0) {
    AppendQuotedPrintable(std::string_view(static_cast<const char*>(bytes), static_cast<std::size_t>(count)), out);
  }
  return std::string(out.View());
}
