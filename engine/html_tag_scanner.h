#pragma once

#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

// One attribute of a scanned tag, as written: neither case nor character
// references are touched.
struct ScannedAttribute {
  std::string_view name;
  std::string_view value;
  bool hasValue = false;  // written with "="
};

// A token of the markup as far as the shape of the document tree depends on
// it. Views point into the scanned text; they are valid until the next token.
struct ScannedToken {
  enum class Kind { kStartTag, kEndTag, kText, kCdata, kComment, kEnd };

  Kind kind = Kind::kEnd;
  std::string_view name;  // tags only, as written
  // Tags only: the tag's text, from its '<' to its '>', or from the start of
  // an empty end tag ("</>") before it, which gives no token of its own.
  std::string_view source;
  bool selfClosing = false;                  // the tag ends in "/>"
  std::vector<ScannedAttribute> attributes;  // in order, repeated names included
  bool whitespaceOnly = false;               // text only
  // kCdata: a CDATA section that holds characters. kComment: a comment or
  // bogus comment; doctypes and empty CDATA sections give no token.
};

// What the content of an element is read as, which the tree builder tells
// the tokenizer after certain start tags (WHATWG HTML, "tokenization").
enum class TextContent { kRawText, kRcData, kScriptData, kPlainText };

// The tokenizer's states that decide where tags begin and end: tags with
// their quoted and unquoted attribute values, comments, bogus comments,
// doctypes and CDATA sections. A tag cut off by the end of the text is no
// tag, as for the tokenizer. Linear in the text.
class HtmlTagScanner {
 public:
  explicit HtmlTagScanner(std::string_view text) : m_text(text) {}

  // The next token; kEnd once the text is used up. CDATA sections are read
  // only where the current node is foreign (`cdataAllowed`).
  const ScannedToken& Next(bool cdataAllowed);
  // After the start tag of an element with text content: moves to its end
  // tag, which the next token is; past the end of the text when it has none.
  void SkipText(TextContent content, std::string_view elementName);

 private:
  bool ScanMarkup(bool cdataAllowed);
  bool ScanTag(std::size_t nameStart, ScannedToken::Kind kind);
  void ScanAttributes();
  void SkipComment();
  void SkipScriptData();
  void SkipTo(std::size_t position) { m_at = position < m_text.size() ? position : m_text.size(); }
  bool EndTagFollows(std::size_t at, std::string_view name) const;
  std::size_t FindByte(char byte, std::size_t from) const;

  std::string_view m_text;
  std::size_t m_at = 0;
  std::optional<std::size_t> m_sourceStart;  // where an empty end tag began, before the next token
  ScannedToken m_token;
};
