#include "engine/html_tag_scanner.h"

namespace {

bool IsAsciiAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// The tokenizer's white space: tab, line feed, form feed, carriage return, space.
bool IsHtmlSpace(char c) { return c == '\t' || c == '\n' || c == '\f' || c == '\r' || c == ' '; }

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool StartsWithIgnoringCase(std::string_view text, std::size_t at, std::string_view prefix) {
  if (text.size() - at < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (AsciiLower(text[at + i]) != AsciiLower(prefix[i])) return false;
  }
  return true;
}

}  // namespace

std::size_t HtmlTagScanner::FindByte(char byte, std::size_t from) const {
  const std::size_t found = m_text.find(byte, from);
  return found == std::string_view::npos ? m_text.size() : found;
}

const ScannedToken& HtmlTagScanner::Next(bool cdataAllowed) {
  m_token.kind = ScannedToken::Kind::kEnd;
  m_token.name = {};
  m_token.source = {};
  m_token.selfClosing = false;
  m_token.attributes.clear();
  while (m_at < m_text.size()) {
    if (m_text[m_at] == '<') {
      const std::size_t markupStart = m_at;
      if (ScanMarkup(cdataAllowed)) {
        if (m_token.kind == ScannedToken::Kind::kEnd) continue;  // an empty end tag or CDATA section
        m_sourceStart.reset();
        return m_token;
      }
      m_at = markupStart;  // a '<' that opens nothing is text
    }
    // Text runs to the next '<' that is not itself the start of this text.
    const std::size_t end = FindByte('<', m_at + 1);
    bool whitespaceOnly = true;
    for (std::size_t i = m_at; i < end && whitespaceOnly; ++i) whitespaceOnly = IsHtmlSpace(m_text[i]);
    m_at = end;
    m_sourceStart.reset();
    m_token.kind = ScannedToken::Kind::kText;
    m_token.whitespaceOnly = whitespaceOnly;
    return m_token;
  }
  return m_token;
}

// At a '<': false when it opens no markup and is text; true otherwise, with
// m_token holding a tag or still kEnd for markup without a token.
bool HtmlTagScanner::ScanMarkup(bool cdataAllowed) {
  const std::size_t next = m_at + 1;
  if (next >= m_text.size()) return false;
  const char c = m_text[next];
  if (IsAsciiAlpha(c)) return ScanTag(next, ScannedToken::Kind::kStartTag);
  if (c == '/') {
    if (next + 1 >= m_text.size()) return false;
    if (IsAsciiAlpha(m_text[next + 1])) return ScanTag(next + 1, ScannedToken::Kind::kEndTag);
    if (m_text[next + 1] == '>') {
      if (!m_sourceStart) m_sourceStart = m_at;
      SkipTo(next + 2);
      return true;
    }
    m_token.kind = ScannedToken::Kind::kComment;
    SkipTo(FindByte('>', next) + 1);
    return true;
  }
  if (c == '!') {
    if (m_text.compare(next + 1, 2, "--") == 0) {
      SkipTo(next + 3);
      SkipComment();
      m_token.kind = ScannedToken::Kind::kComment;
      return true;
    }
    if (cdataAllowed && m_text.compare(next + 1, 7, "[CDATA[") == 0) {
      const std::size_t contentStart = next + 8;
      const std::size_t end = m_text.find("]]>", contentStart);
      SkipTo(end == std::string_view::npos ? m_text.size() : end + 3);
      if (end != contentStart && contentStart < m_text.size()) m_token.kind = ScannedToken::Kind::kCdata;
      return true;
    }
    if (StartsWithIgnoringCase(m_text, next + 1, "doctype")) {
      m_sourceStart.reset();  // a doctype is a token of its own
    } else {
      m_token.kind = ScannedToken::Kind::kComment;
    }
    SkipTo(FindByte('>', next) + 1);
    return true;
  }
  if (c == '?') {
    m_token.kind = ScannedToken::Kind::kComment;
    SkipTo(FindByte('>', next) + 1);
    return true;
  }
  return false;
}

bool HtmlTagScanner::ScanTag(std::size_t nameStart, ScannedToken::Kind kind) {
  std::size_t at = nameStart;
  while (at < m_text.size() && !IsHtmlSpace(m_text[at]) && m_text[at] != '/' && m_text[at] != '>') ++at;
  m_token.name = m_text.substr(nameStart, at - nameStart);
  m_at = at;
  ScanAttributes();
  if (m_at > m_text.size()) {  // cut off by the end of the text: no tag at all
    m_at = m_text.size();
    m_token.name = {};
    m_token.attributes.clear();
    m_token.selfClosing = false;
    return true;
  }
  m_token.kind = kind;
  const std::size_t tagStart = m_sourceStart.value_or(nameStart - (kind == ScannedToken::Kind::kEndTag ? 2 : 1));
  m_token.source = m_text.substr(tagStart, m_at - tagStart);
  return true;
}

// From after the tag name to just past the closing '>'; one past the end of
// the text when the text ends first.
void HtmlTagScanner::ScanAttributes() {
  const std::size_t size = m_text.size();
  std::size_t at = m_at;
  for (;;) {
    while (at < size && IsHtmlSpace(m_text[at])) ++at;
    if (at >= size) break;
    if (m_text[at] == '>') {
      m_at = at + 1;
      return;
    }
    if (m_text[at] == '/') {
      ++at;
      if (at < size && m_text[at] == '>') {
        m_token.selfClosing = true;
        m_at = at + 1;
        return;
      }
      continue;
    }
    // An attribute name; its first character may be anything, '=' included.
    const std::size_t nameStart = at++;
    while (at < size && !IsHtmlSpace(m_text[at]) && m_text[at] != '/' && m_text[at] != '>' && m_text[at] != '=') {
      ++at;
    }
    ScannedAttribute attribute{m_text.substr(nameStart, at - nameStart), {}, false};
    while (at < size && IsHtmlSpace(m_text[at])) ++at;
    if (at < size && m_text[at] == '=') {
      attribute.hasValue = true;
      ++at;
      while (at < size && IsHtmlSpace(m_text[at])) ++at;
      if (at < size && (m_text[at] == '"' || m_text[at] == '\'')) {
        const std::size_t close = m_text.find(m_text[at], at + 1);
        if (close == std::string_view::npos) break;
        attribute.value = m_text.substr(at + 1, close - at - 1);
        at = close + 1;
      } else {
        const std::size_t valueStart = at;
        while (at < size && !IsHtmlSpace(m_text[at]) && m_text[at] != '>') ++at;
        attribute.value = m_text.substr(valueStart, at - valueStart);
      }
    }
    m_token.attributes.push_back(attribute);
  }
  m_at = size + 1;
}

// The comment states from just after "<!--": it ends at "-->", "--!>",
// or at once in "<!-->" and "<!--->".
void HtmlTagScanner::SkipComment() {
  enum class State { kStart, kStartDash, kComment, kEndDash, kEnd, kEndBang };
  State state = State::kStart;
  for (; m_at < m_text.size(); ++m_at) {
    const char c = m_text[m_at];
    switch (state) {
      case State::kStart:
      case State::kStartDash:
        if (c == '>') {
          ++m_at;
          return;
        }
        state = c != '-' ? State::kComment : state == State::kStart ? State::kStartDash : State::kEnd;
        break;
      case State::kComment:
        if (c == '-') state = State::kEndDash;
        break;
      case State::kEndDash: state = c == '-' ? State::kEnd : State::kComment; break;
      case State::kEnd:
        if (c == '>') {
          ++m_at;
          return;
        }
        state = c == '!' ? State::kEndBang : c == '-' ? State::kEnd : State::kComment;
        break;
      case State::kEndBang:
        if (c == '>') {
          ++m_at;
          return;
        }
        state = c == '-' ? State::kEndDash : State::kComment;
        break;
    }
  }
}

// "</name" followed by white space, '/' or '>': the only end tag that ends
// raw text, RCDATA and script data.
bool HtmlTagScanner::EndTagFollows(std::size_t at, std::string_view name) const {
  if (m_text.compare(at, 2, "</") != 0 || !StartsWithIgnoringCase(m_text, at + 2, name)) return false;
  const std::size_t after = at + 2 + name.size();
  return after < m_text.size() && (IsHtmlSpace(m_text[after]) || m_text[after] == '/' || m_text[after] == '>');
}

void HtmlTagScanner::SkipText(TextContent content, std::string_view elementName) {
  if (content == TextContent::kPlainText) {
    m_at = m_text.size();
  } else if (content == TextContent::kScriptData) {
    SkipScriptData();
  } else {
    for (m_at = FindByte('<', m_at); m_at < m_text.size() && !EndTagFollows(m_at, elementName);) {
      m_at = FindByte('<', m_at + 1);
    }
  }
}

// Script data with its escaped and double-escaped states: "</script" ends
// the script except inside "<!-- <script> ... </script>", where it ends the
// inner part only.
void HtmlTagScanner::SkipScriptData() {
  enum class State { kData, kEscaped, kDoubleEscaped };
  constexpr std::string_view kScript = "script";
  State state = State::kData;
  std::size_t dashes = 0;  // consecutive '-' just read, inside an escape
  const std::size_t size = m_text.size();
  while (m_at < size) {
    const char c = m_text[m_at];
    if (state == State::kData) {
      if (c == '<' && EndTagFollows(m_at, kScript)) return;
      if (c == '<' && m_text.compare(m_at, 4, "<!--") == 0) {
        state = State::kEscaped;
        dashes = 2;
        m_at += 4;
        continue;
      }
      ++m_at;
      continue;
    }
    if (c == '-') {
      ++dashes;
      ++m_at;
      continue;
    }
    if (c == '>' && dashes >= 2) {
      state = State::kData;
      dashes = 0;
      ++m_at;
      continue;
    }
    dashes = 0;
    if (c != '<') {
      ++m_at;
      continue;
    }
    if (state == State::kEscaped && EndTagFollows(m_at, kScript)) return;
    // "<script" or "</script" and a white space, '/' or '>' toggles the
    // double escape.
    const bool closing = m_at + 1 < size && m_text[m_at + 1] == '/';
    const std::size_t wordStart = m_at + (closing ? 2 : 1);
    std::size_t wordEnd = wordStart;
    while (wordEnd < size && IsAsciiAlpha(m_text[wordEnd])) ++wordEnd;
    const bool script = wordEnd - wordStart == kScript.size() && StartsWithIgnoringCase(m_text, wordStart, kScript) &&
                        wordEnd < size &&
                        (IsHtmlSpace(m_text[wordEnd]) || m_text[wordEnd] == '/' || m_text[wordEnd] == '>');
    if (script && closing == (state == State::kDoubleEscaped)) {
      state = closing ? State::kEscaped : State::kDoubleEscaped;
      m_at = wordEnd + 1;
      continue;
    }
    m_at = wordEnd > wordStart ? wordEnd : m_at + 1;
  }
}
