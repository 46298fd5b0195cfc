#include "archive/quoted_printable_encoder.h"

#include <array>

namespace {

// A line is broken softly once it holds this many characters, so that with
// an escape and the "=" mark it stays within RFC 2045's 76.
constexpr std::size_t kSoftBreakAt = 72;

// Bytes written as themselves: tab and 0x20 to 0x7F except "=". The one
// exception, a "." right after a line feed, can only open a run.
using ByteTable = std::array<bool, 256>;

constexpr ByteTable MakePlainTable() {
  ByteTable plain{};
  plain['\t'] = true;
  for (int b = 0x20; b <= 0x7F; ++b) {
    plain[b] = true;
  }
  plain['='] = false;
  return plain;
}

constexpr ByteTable kPlain = MakePlainTable();

void AppendEscape(unsigned char b, ByteBuffer& out) {
  constexpr char kHex[] = "0123456789ABCDEF";
  const char escape[3] = {'=', kHex[b >> 4], kHex[b & 15]};
  out.Append(std::string_view(escape, 3));
}

bool IsBlank(unsigned char b) { return b == ' ' || b == '\t'; }

// A blank that ends the text would stand last on the part's closing line,
// where decoders strip it (RFC 2045 section 6.7, rule 3): it is escaped, so
// plain runs stop before it.
std::size_t PlainEnd(std::string_view bytes) {
  return !bytes.empty() && IsBlank(static_cast<unsigned char>(bytes.back())) ? bytes.size() - 1 : bytes.size();
}

class Encoder {
 public:
  Encoder(std::string_view bytes, ByteBuffer& out)
      : m_in(reinterpret_cast<const unsigned char*>(bytes.data())),
        m_size(bytes.size()),
        m_plainEnd(PlainEnd(bytes)),
        m_out(out) {}

  void Run() {
    while (m_pos < m_size) {
      if (m_pos < m_plainEnd && kPlain[m_in[m_pos]] && !IsDotOpeningLine()) {
        AppendPlainRun();
      } else {
        AppendSpecial();
      }
    }
  }

 private:
  // Takes the longest run of plain bytes that still fits the current line.
  void AppendPlainRun() {
    const std::size_t room = kSoftBreakAt - m_lineLength;
    const std::size_t limit = m_plainEnd - m_pos < room ? m_plainEnd : m_pos + room;
    std::size_t end = m_pos + 1;
    while (end < limit && kPlain[m_in[end]]) {
      ++end;
    }
    m_out.Append(std::string_view(reinterpret_cast<const char*>(m_in + m_pos), end - m_pos));
    m_lineLength += end - m_pos;
    m_pos = end;
    BreakIfFull();
  }

  // A "." alone on a line ends an SMTP message body, so one that opens an
  // input line is escaped. After a soft break it stays literal.
  bool IsDotOpeningLine() const {
    return m_in[m_pos] == '.' && m_pos > 0 && m_in[m_pos - 1] == '\n';
  }

  // RFC 2045 section 6.7, rule 4: a line break of the text is CR LF in
  // canonical form; a bare line feed counts as one too.
  bool IsLineBreak() const {
    return m_in[m_pos] == '\n' || (m_in[m_pos] == '\r' && m_pos + 1 < m_size && m_in[m_pos + 1] == '\n');
  }

  void AppendSpecial() {
    const unsigned char b = m_in[m_pos];
    const bool afterBlank = m_pos > 0 && IsBlank(m_in[m_pos - 1]);
    if (IsLineBreak()) {
      m_pos += b == '\r' ? 2 : 1;
      // Trailing white space would be stripped by decoders (RFC 2045
      // section 6.7, rule 3): protect it with a soft break first.
      m_out.Append(afterBlank ? "=\n\n" : "\n");
      m_lineLength = 0;
      return;
    }
    ++m_pos;
    AppendEscape(b, m_out);
    m_lineLength += 3;
    BreakIfFull();
  }

  void BreakIfFull() {
    if (m_lineLength >= kSoftBreakAt) {
      m_out.Append("=\n");
      m_lineLength = 0;
    }
  }

  const unsigned char* m_in;  // not owned
  std::size_t m_size;
  std::size_t m_plainEnd;  // plain runs stop here
  ByteBuffer& m_out;  // not owned
  std::size_t m_pos = 0;
  std::size_t m_lineLength = 0;
};

}  // namespace

void AppendQuotedPrintable(std::string_view bytes, ByteBuffer& out) {
  // Text grows by a soft break every 72 characters; escapes grow it more,
  // and the buffer's own growth covers that.
  out.Reserve(out.Size() + bytes.size() + bytes.size() / 36 + 16);
  Encoder(bytes, out).Run();
}

std::string EncodeQuotedPrintable(const void* bytes, std::int64_t count) {
  ByteBuffer out;
  if (count > 0) {
    AppendQuotedPrintable(
        std::string_view(static_cast<const char*>(bytes), static_cast<std::size_t>(count)), out);
  }
  return std::string(out.View());
}
