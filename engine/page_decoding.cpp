#include "engine/page_decoding.h"

#include <algorithm>
#include <vector>

#include "base/utf8_text.h"
#include "engine/charset_declaration.h"
#include "engine/html_encoding_labels.h"
#include "engine/html_names.h"
#include "engine/html_text_decoding.h"

namespace {

// The WHATWG prescan looks no further than this.
constexpr std::size_t kPrescanBytes = 1024;

struct ByteOrderMark {
  std::string_view bytes;
  std::string_view encoding;
};

constexpr ByteOrderMark kByteOrderMarks[]{
    {"\xEF\xBB\xBF", "UTF-8"},
    {"\xFE\xFF", "UTF-16BE"},
    {"\xFF\xFE", "UTF-16LE"},
};

const ByteOrderMark* FindByteOrderMark(std::string_view bytes) {
  for (const ByteOrderMark& mark : kByteOrderMarks) {
    if (bytes.substr(0, mark.bytes.size()) == mark.bytes) return &mark;
  }
  return nullptr;
}

bool IsSpace(char c) { return c == '\t' || c == '\n' || c == '\f' || c == '\r' || c == ' '; }

bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// How a label found by the prescan is taken: a page that names UTF-16 in
// ASCII markup cannot be UTF-16, and x-user-defined means windows-1252.
// Nothing for a label that names no encoding decodable here (the
// "replacement" encoding included: it would turn the page into one U+FFFD).
std::optional<std::string_view> EncodingForMetaLabel(std::string_view label) {
  const std::optional<std::string_view> encoding = EncodingForLabel(label);
  if (!encoding) return std::nullopt;
  if (*encoding == "UTF-16BE" || *encoding == "UTF-16LE") return "UTF-8";
  if (*encoding == "x-user-defined") return "windows-1252";
  if (!CanDecode(*encoding)) return std::nullopt;
  return encoding;
}

// The value of a content attribute's "charset=" part.
std::optional<std::string> CharsetFromContent(std::string_view content) {
  const std::optional<CharsetSpan> span = FindCharsetInContent(content);
  if (!span) return std::nullopt;
  return std::string(content.substr(span->offset, span->length));
}

struct Attribute {
  std::string name;  // ASCII lower case
  std::string value;
};

// Thrown when the bytes end inside a tag or attribute; the prescan finds nothing then.
struct EndOfBytes {};

// The WHATWG "prescan a byte stream to determine its encoding".
class MetaPrescan {
 public:
  explicit MetaPrescan(std::string_view bytes) : m_bytes(bytes.substr(0, kPrescanBytes)) {}

  std::optional<std::string> Run() {
    try {
      return Scan();
    } catch (const EndOfBytes&) {
      return std::nullopt;
    }
  }

 private:
  std::optional<std::string> Scan() {
    while (m_position < m_bytes.size()) {
      if (At("<!--")) {
        SkipPast("-->", m_position + 2);
      } else if (AtMetaTag()) {
        m_position += 5;
        if (std::optional<std::string> label = ReadMetaLabel()) return label;
        ++m_position;
      } else if (AtTagStart()) {
        SkipTag();
        ++m_position;
      } else if (At("<!") || At("</") || At("<?")) {
        SkipPast(">", m_position + 1);
      } else {
        ++m_position;
      }
    }
    return std::nullopt;
  }

  char Byte() const {
    if (m_position >= m_bytes.size()) throw EndOfBytes{};
    return m_bytes[m_position];
  }

  bool At(std::string_view text) const { return m_bytes.substr(m_position, text.size()) == text; }

  bool AtMetaTag() const {
    const std::size_t after = m_position + 5;
    return after < m_bytes.size() && EqualsIgnoringAsciiCase(m_bytes.substr(m_position, 5), "<meta") &&
           (IsSpace(m_bytes[after]) || m_bytes[after] == '/');
  }

  bool AtTagStart() const {
    const std::size_t nameStart = m_position + (At("</") ? 2 : 1);
    return m_bytes[m_position] == '<' && nameStart < m_bytes.size() && IsAsciiLetter(m_bytes[nameStart]);
  }

  void SkipPast(std::string_view end, std::size_t from) {
    const std::size_t found = m_bytes.find(end, from);
    if (found == std::string_view::npos) throw EndOfBytes{};
    m_position = found + end.size();
  }

  void SkipTag() {
    while (!IsSpace(Byte()) && Byte() != '>') ++m_position;
    while (ReadAttribute()) {
    }
  }

  void SkipSpaces() {
    while (IsSpace(Byte())) ++m_position;
  }

  // The meta element's label when it declares an encoding usable here.
  std::optional<std::string> ReadMetaLabel() {
    std::vector<std::string> seen;
    bool gotPragma = false;
    std::optional<bool> needPragma;
    std::optional<std::string> charset;
    while (std::optional<Attribute> attribute = ReadAttribute()) {
      if (std::find(seen.begin(), seen.end(), attribute->name) != seen.end()) continue;
      seen.push_back(attribute->name);
      if (attribute->name == "http-equiv") {
        gotPragma = gotPragma || EqualsIgnoringAsciiCase(attribute->value, "content-type");
      } else if (attribute->name == "content" && !charset) {
        charset = CharsetFromContent(attribute->value);
        if (charset) needPragma = true;
      } else if (attribute->name == "charset") {
        charset = attribute->value;
        needPragma = false;
      }
    }
    if (!needPragma || (*needPragma && !gotPragma) || !charset) return std::nullopt;
    if (!EncodingForMetaLabel(*charset)) return std::nullopt;
    return charset;
  }

  // The "get an attribute" algorithm; nothing at the tag's '>'.
  std::optional<Attribute> ReadAttribute() {
    while (IsSpace(Byte()) || Byte() == '/') ++m_position;
    if (Byte() == '>') return std::nullopt;
    Attribute attribute;
    while (true) {
      const char c = Byte();
      if (c == '=' && !attribute.name.empty()) {
        ++m_position;
        return ReadValue(std::move(attribute));
      }
      if (IsSpace(c)) break;
      if (c == '/' || c == '>') return attribute;
      attribute.name += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
      ++m_position;
    }
    SkipSpaces();
    if (Byte() != '=') return attribute;
    ++m_position;
    return ReadValue(std::move(attribute));
  }

  Attribute ReadValue(Attribute attribute) {
    SkipSpaces();
    const char first = Byte();
    if (first == '"' || first == '\'') {
      ++m_position;
      while (Byte() != first) attribute.value += m_bytes[m_position++];
      ++m_position;
      return attribute;
    }
    if (first == '>') return attribute;
    while (!IsSpace(Byte()) && Byte() != '>') attribute.value += m_bytes[m_position++];
    return attribute;
  }

  std::string_view m_bytes;  // not owned
  std::size_t m_position = 0;
};

}  // namespace

std::optional<std::string> PrescanMetaCharset(std::string_view bytes) { return MetaPrescan(bytes).Run(); }

std::string PageEncoding(std::string_view bytes) {
  if (const ByteOrderMark* mark = FindByteOrderMark(bytes)) return std::string(mark->encoding);
  if (const std::optional<std::string> label = PrescanMetaCharset(bytes)) {
    return std::string(*EncodingForMetaLabel(*label));
  }
  return IsValidUtf8(bytes) ? "UTF-8" : "windows-1252";
}

std::string DecodePageToUtf8(std::string_view bytes) {
  const std::string encoding = PageEncoding(bytes);
  if (const ByteOrderMark* mark = FindByteOrderMark(bytes)) bytes.remove_prefix(mark->bytes.size());
  return DecodeToUtf8(bytes, encoding);
}
