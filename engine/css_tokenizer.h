#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The tokens of CSS Syntax Level 3 (section 4), read one at a time from a
// stylesheet's text. Every byte of the text belongs to exactly one token, so a
// caller can replace one token's bytes and keep every other byte as written.
//
// The text is taken as UTF-8 (or any encoding in which every byte of a
// multi-byte character is 0x80 or above). The input preprocessing of section
// 3.3 is applied while reading instead of to a copy: CR LF, CR and FF count as
// one newline, and a zero byte counts as U+FFFD, an identifier code point.

enum class CssTokenType : unsigned char {
  Whitespace,
  Comment,  // kept as a token of its own so that the tokens cover the text
  String,
  BadString,
  Url,
  BadUrl,
  Function,
  AtKeyword,
  Ident,
  Hash,
  Number,
  Percentage,
  Dimension,
  Delim,
  Cdo,
  Cdc,
  Colon,
  Semicolon,
  Comma,
  LeftBracket,
  RightBracket,
  LeftParen,
  RightParen,
  LeftBrace,
  RightBrace,
  End,  // after the last token; an empty span at the end of the text
};

struct CssToken {
  CssTokenType type = CssTokenType::End;
  std::size_t begin = 0;  // offset of the token's first byte in the text
  std::size_t end = 0;    // offset one past its last byte
  // Owned, with escapes decoded to UTF-8: the name of an Ident, Function
  // (without "("), AtKeyword (without "@"), Hash (without "#") and the unit
  // of a Dimension; the contents of a String or Url. Empty for other types.
  std::string value;
};

class CssTokenizer {
 public:
  // `text` is not copied and must outlive the tokenizer.
  explicit CssTokenizer(std::string_view text);

  // The token that begins where the previous one ended; End once the text is
  // used up, and again on every later call. The reference stays valid until
  // the next call.
  const CssToken& Next();

 private:
  int ByteAt(std::size_t pos) const;  // -1 past the end
  std::size_t NewlineLength(std::size_t pos) const;
  std::size_t WhitespaceLength(std::size_t pos) const;
  bool IsValidEscape(std::size_t pos) const;
  bool StartsIdentSequence(std::size_t pos) const;
  bool StartsNumber(std::size_t pos) const;

  CssTokenType ConsumeToken();
  CssTokenType ConsumeComment();
  CssTokenType ConsumeWhitespace();
  CssTokenType ConsumeString(char ending);
  CssTokenType ConsumeNumeric();
  CssTokenType ConsumeIdentLike();
  CssTokenType ConsumeUrl();
  CssTokenType ConsumeBadUrlRemnants();
  void ConsumeNumber();
  void ConsumeIdentSequence();
  void ConsumeEscapedCodePoint();

  std::string_view m_text;  // not owned
  std::size_t m_pos = 0;    // where the next token begins, then where the current one has reached
  CssToken m_token;         // the token last returned; its value's storage is reused
};
