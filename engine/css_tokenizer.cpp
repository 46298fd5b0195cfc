#include "engine/css_tokenizer.h"

#include <cstdint>

#include "base/utf8_text.h"

// Section numbers below are those of CSS Syntax Level 3.

namespace {

constexpr std::uint32_t kReplacementCharacter = 0xFFFD;
constexpr std::uint32_t kMaximumCodePoint = 0x10FFFF;

bool IsDigit(int c) { return c >= '0' && c <= '9'; }
bool IsHexDigit(int c) { return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
bool IsLetter(int c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// Section 4.2. Bytes 0x80 and above are parts of non-ASCII code points, and a
// zero byte has become U+FFFD: both are identifier code points.
bool IsIdentStart(int c) { return IsLetter(c) || c == '_' || c >= 0x80 || c == 0; }
bool IsIdentCodePoint(int c) { return IsIdentStart(c) || IsDigit(c) || c == '-'; }
bool IsNonPrintable(int c) { return (c >= 0x01 && c <= 0x08) || c == 0x0B || (c >= 0x0E && c <= 0x1F) || c == 0x7F; }

int HexValue(int c) {
  if (IsDigit(c)) return c - '0';
  return (c | 0x20) - 'a' + 10;
}

// A byte the text holds as written, except the zero byte that stands for U+FFFD.
void AppendByte(std::string& out, int c) {
  if (c == 0) {
    AppendUtf8(out, kReplacementCharacter);
  } else {
    out.push_back(static_cast<char>(c));
  }
}

}  // namespace

CssTokenizer::CssTokenizer(std::string_view text) : m_text(text) {}

const CssToken& CssTokenizer::Next() {
  m_token.value.clear();
  m_token.begin = m_pos;
  m_token.type = ConsumeToken();
  m_token.end = m_pos;
  return m_token;
}

int CssTokenizer::ByteAt(std::size_t pos) const {
  return pos < m_text.size() ? static_cast<unsigned char>(m_text[pos]) : -1;
}

// Section 3.3 turns CR LF, CR and FF into LF; here they stay in the text.
std::size_t CssTokenizer::NewlineLength(std::size_t pos) const {
  const int c = ByteAt(pos);
  if (c == '\r') return ByteAt(pos + 1) == '\n' ? 2 : 1;
  return c == '\n' || c == '\f' ? 1 : 0;
}

std::size_t CssTokenizer::WhitespaceLength(std::size_t pos) const {
  const int c = ByteAt(pos);
  return c == ' ' || c == '\t' ? 1 : NewlineLength(pos);
}

// Section 4.3.8: a backslash not followed by a newline (the end of the text
// included: it escapes to U+FFFD).
bool CssTokenizer::IsValidEscape(std::size_t pos) const { return ByteAt(pos) == '\\' && NewlineLength(pos + 1) == 0; }

// Section 4.3.9.
bool CssTokenizer::StartsIdentSequence(std::size_t pos) const {
  const int c = ByteAt(pos);
  if (c == '-') {
    const int second = ByteAt(pos + 1);
    return IsIdentStart(second) || second == '-' || IsValidEscape(pos + 1);
  }
  return IsIdentStart(c) || IsValidEscape(pos);
}

// Section 4.3.10.
bool CssTokenizer::StartsNumber(std::size_t pos) const {
  int c = ByteAt(pos);
  if (c == '+' || c == '-') c = ByteAt(++pos);
  if (c == '.') c = ByteAt(++pos);
  return IsDigit(c);
}

// Section 4.3.1.
CssTokenType CssTokenizer::ConsumeToken() {
  const int c = ByteAt(m_pos);
  if (c == '/' && ByteAt(m_pos + 1) == '*') return ConsumeComment();
  if (WhitespaceLength(m_pos) != 0) return ConsumeWhitespace();
  switch (c) {
    case -1: return CssTokenType::End;
    case '"':
    case '\'': ++m_pos; return ConsumeString(static_cast<char>(c));
    case '#':
      if (IsIdentCodePoint(ByteAt(m_pos + 1)) || IsValidEscape(m_pos + 1)) {
        ++m_pos;
        ConsumeIdentSequence();
        return CssTokenType::Hash;
      }
      break;
    case '(': ++m_pos; return CssTokenType::LeftParen;
    case ')': ++m_pos; return CssTokenType::RightParen;
    case '+':
    case '.':
      if (StartsNumber(m_pos)) return ConsumeNumeric();
      break;
    case ',': ++m_pos; return CssTokenType::Comma;
    case '-':
      if (StartsNumber(m_pos)) return ConsumeNumeric();
      if (ByteAt(m_pos + 1) == '-' && ByteAt(m_pos + 2) == '>') {
        m_pos += 3;
        return CssTokenType::Cdc;
      }
      if (StartsIdentSequence(m_pos)) return ConsumeIdentLike();
      break;
    case ':': ++m_pos; return CssTokenType::Colon;
    case ';': ++m_pos; return CssTokenType::Semicolon;
    case '<':
      if (m_text.substr(m_pos + 1, 3) == "!--") {
        m_pos += 4;
        return CssTokenType::Cdo;
      }
      break;
    case '@':
      if (StartsIdentSequence(m_pos + 1)) {
        ++m_pos;
        ConsumeIdentSequence();
        return CssTokenType::AtKeyword;
      }
      break;
    case '[': ++m_pos; return CssTokenType::LeftBracket;
    case ']': ++m_pos; return CssTokenType::RightBracket;
    case '{': ++m_pos; return CssTokenType::LeftBrace;
    case '}': ++m_pos; return CssTokenType::RightBrace;
    case '\\':
      if (IsValidEscape(m_pos)) return ConsumeIdentLike();
      break;
    default:
      if (IsDigit(c)) return ConsumeNumeric();
      if (IsIdentStart(c)) return ConsumeIdentLike();
      break;
  }
  ++m_pos;
  return CssTokenType::Delim;
}

// Section 4.3.2; a comment left open runs to the end of the text.
CssTokenType CssTokenizer::ConsumeComment() {
  const std::size_t close = m_text.find("*/", m_pos + 2);
  m_pos = close == std::string_view::npos ? m_text.size() : close + 2;
  return CssTokenType::Comment;
}

CssTokenType CssTokenizer::ConsumeWhitespace() {
  while (const std::size_t length = WhitespaceLength(m_pos)) m_pos += length;
  return CssTokenType::Whitespace;
}

// Section 4.3.5. A newline ends the string as a bad string and is not part of it.
CssTokenType CssTokenizer::ConsumeString(char ending) {
  for (;;) {
    const int c = ByteAt(m_pos);
    if (c == -1) return CssTokenType::String;
    if (c == ending) {
      ++m_pos;
      return CssTokenType::String;
    }
    if (NewlineLength(m_pos) != 0) {
      m_token.value.clear();
      return CssTokenType::BadString;
    }
    ++m_pos;
    if (c != '\\') {
      AppendByte(m_token.value, c);
    } else if (const std::size_t newline = NewlineLength(m_pos)) {
      m_pos += newline;  // an escaped newline continues the string
    } else if (ByteAt(m_pos) != -1) {
      ConsumeEscapedCodePoint();
    }
  }
}

// Section 4.3.7, with the backslash already consumed.
void CssTokenizer::ConsumeEscapedCodePoint() {
  const int c = ByteAt(m_pos);
  if (c == -1) {
    AppendUtf8(m_token.value, kReplacementCharacter);
    return;
  }
  ++m_pos;
  if (!IsHexDigit(c)) {
    AppendByte(m_token.value, c);
    return;
  }
  std::uint32_t codePoint = HexValue(c);
  for (int digits = 1; digits < 6 && IsHexDigit(ByteAt(m_pos)); ++digits) {
    codePoint = codePoint * 16 + HexValue(ByteAt(m_pos++));
  }
  m_pos += WhitespaceLength(m_pos);
  const bool surrogate = codePoint >= 0xD800 && codePoint <= 0xDFFF;
  if (codePoint == 0 || surrogate || codePoint > kMaximumCodePoint) codePoint = kReplacementCharacter;
  AppendUtf8(m_token.value, codePoint);
}

// Section 4.3.12.
void CssTokenizer::ConsumeIdentSequence() {
  for (;;) {
    const int c = ByteAt(m_pos);
    if (IsIdentCodePoint(c)) {
      AppendByte(m_token.value, c);
      ++m_pos;
    } else if (IsValidEscape(m_pos)) {
      ++m_pos;
      ConsumeEscapedCodePoint();
    } else {
      return;
    }
  }
}

// Sections 4.3.3 and 4.3.13.
void CssTokenizer::ConsumeNumber() {
  if (ByteAt(m_pos) == '+' || ByteAt(m_pos) == '-') ++m_pos;
  while (IsDigit(ByteAt(m_pos))) ++m_pos;
  if (ByteAt(m_pos) == '.' && IsDigit(ByteAt(m_pos + 1))) {
    m_pos += 2;
    while (IsDigit(ByteAt(m_pos))) ++m_pos;
  }
  const int e = ByteAt(m_pos);
  if (e == 'e' || e == 'E') {
    const int sign = ByteAt(m_pos + 1);
    const std::size_t digitsAt = sign == '+' || sign == '-' ? m_pos + 2 : m_pos + 1;
    if (IsDigit(ByteAt(digitsAt))) {
      m_pos = digitsAt;
      while (IsDigit(ByteAt(m_pos))) ++m_pos;
    }
  }
}

CssTokenType CssTokenizer::ConsumeNumeric() {
  ConsumeNumber();
  if (StartsIdentSequence(m_pos)) {
    ConsumeIdentSequence();
    return CssTokenType::Dimension;
  }
  if (ByteAt(m_pos) == '%') {
    ++m_pos;
    return CssTokenType::Percentage;
  }
  return CssTokenType::Number;
}

// Section 4.3.4. The name is compared after its escapes are decoded, so
// "\75 rl(" opens a URL as "url(" does.
CssTokenType CssTokenizer::ConsumeIdentLike() {
  ConsumeIdentSequence();
  if (ByteAt(m_pos) != '(') return CssTokenType::Ident;
  ++m_pos;
  const std::string& name = m_token.value;
  const bool isUrl = name.size() == 3 && (name[0] | 0x20) == 'u' && (name[1] | 0x20) == 'r' && (name[2] | 0x20) == 'l';
  if (!isUrl) return CssTokenType::Function;
  while (WhitespaceLength(m_pos) != 0 && WhitespaceLength(m_pos + WhitespaceLength(m_pos)) != 0) {
    m_pos += WhitespaceLength(m_pos);
  }
  const std::size_t quoteAt = m_pos + WhitespaceLength(m_pos);
  if (ByteAt(quoteAt) == '"' || ByteAt(quoteAt) == '\'') return CssTokenType::Function;
  m_token.value.clear();
  return ConsumeUrl();
}

// Section 4.3.6, after "url(".
CssTokenType CssTokenizer::ConsumeUrl() {
  ConsumeWhitespace();
  for (;;) {
    const int c = ByteAt(m_pos);
    if (c == -1) return CssTokenType::Url;
    if (c == ')') {
      ++m_pos;
      return CssTokenType::Url;
    }
    if (WhitespaceLength(m_pos) != 0) {
      ConsumeWhitespace();
      if (ByteAt(m_pos) == -1) return CssTokenType::Url;
      if (ByteAt(m_pos) == ')') {
        ++m_pos;
        return CssTokenType::Url;
      }
      return ConsumeBadUrlRemnants();
    }
    if (c == '"' || c == '\'' || c == '(' || IsNonPrintable(c)) return ConsumeBadUrlRemnants();
    if (c == '\\') {
      if (!IsValidEscape(m_pos)) return ConsumeBadUrlRemnants();
      ++m_pos;
      ConsumeEscapedCodePoint();
    } else {
      AppendByte(m_token.value, c);
      ++m_pos;
    }
  }
}

// Section 4.3.14: up to and including the next ")" that is not escaped. A bad
// URL has no value.
CssTokenType CssTokenizer::ConsumeBadUrlRemnants() {
  for (;;) {
    const int c = ByteAt(m_pos);
    if (c == -1 || c == ')') {
      m_pos += c == ')' ? 1 : 0;
      m_token.value.clear();
      return CssTokenType::BadUrl;
    }
    const bool escape = IsValidEscape(m_pos);
    ++m_pos;
    if (escape) ConsumeEscapedCodePoint();
  }
}
