#include "cli/page_urls.h"

#include <array>
#include <cctype>
#include <cstdint>

#include "base/path_text.h"
#include "base/utf8_text.h"
#include "engine/css_references.h"

namespace {

bool IsHtmlSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

std::string_view TrimHtmlSpace(std::string_view text) {
  while (!text.empty() && IsHtmlSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsHtmlSpace(text.back())) text.remove_suffix(1);
  return text;
}

void AppendCodePoint(unsigned long code, std::string& out) {
  if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) code = 0xFFFD;
  AppendUtf8(out, static_cast<std::uint32_t>(code));
}

// The character references a URL holds in practice: numeric ones and the
// five of XML. Any other is left as written.
std::string DecodeCharacterReferences(std::string_view text) {
  static constexpr std::array<std::pair<std::string_view, char>, 5> kNamed = {
      {{"amp;", '&'}, {"lt;", '<'}, {"gt;", '>'}, {"quot;", '"'}, {"apos;", '\''}}};
  std::string out;
  for (std::size_t at = 0; at < text.size(); ++at) {
    if (text[at] != '&') {
      out.push_back(text[at]);
      continue;
    }
    const std::string_view rest = text.substr(at + 1);
    bool decoded = false;
    for (const auto& [name, character] : kNamed) {
      if (rest.starts_with(name)) {
        out.push_back(character);
        at += name.size();
        decoded = true;
        break;
      }
    }
    if (!decoded && rest.starts_with('#')) {
      const bool hex = rest.size() > 1 && (rest[1] == 'x' || rest[1] == 'X');
      std::size_t end = hex ? 2 : 1;
      unsigned long code = 0;
      while (end < rest.size() && end < 10 &&
             (hex ? std::isxdigit(static_cast<unsigned char>(rest[end]))
                  : std::isdigit(static_cast<unsigned char>(rest[end])))) {
        code = code * (hex ? 16 : 10) + static_cast<unsigned long>(std::isdigit(static_cast<unsigned char>(rest[end]))
                                                                       ? rest[end] - '0'
                                                                       : (rest[end] | 0x20) - 'a' + 10);
        ++end;
      }
      if (end > (hex ? 2u : 1u)) {
        AppendCodePoint(code, out);
        at += end + (end < rest.size() && rest[end] == ';' ? 1 : 0);
        decoded = true;
      }
    }
    if (!decoded) out.push_back('&');
  }
  return out;
}

std::string EscapeAttributeValue(std::string_view value) {
  std::string out;
  for (const char c : value) {
    if (c == '&') {
      out += "&amp;";
    } else if (c == '"') {
      out += "&quot;";
    } else {
      out.push_back(c);
    }
  }
  return out;
}

struct Attribute {
  std::string name;  // lower-cased
  std::size_t valueBegin = 0;
  std::size_t valueEnd = 0;
  char quote = 0;  // 0: unquoted
  bool hasValue = false;
};

// One pass over the text: every URL is offered to `replace`, and the text is
// copied with the answers in place into `out`, when there is one.
class UrlPass {
 public:
  UrlPass(std::string_view text, const PageUrlReplacement& replace, std::string* out)
      : m_text(text), m_replace(replace), m_out(out) {}

  void Css(std::size_t begin, std::size_t end, CssSource source, bool embedded);
  void Html();
  void Finish() {
    if (m_out != nullptr) m_out->append(m_text.substr(m_copied));
  }

 private:
  void Tag(std::string_view name, const std::vector<Attribute>& attributes);
  void AttributeUrl(const Attribute& attribute, bool embedded);
  void Srcset(const Attribute& attribute, bool embedded);
  void StyleAttribute(const Attribute& attribute);
  // The CSS with the URLs `m_replace` answers for put in; nothing when it
  // answers for none.
  std::optional<std::string> RewrittenCss(std::string_view css, CssSource source, bool embedded) const;
  void ReplaceValue(const Attribute& attribute, const std::string& value);
  void Replace(std::size_t begin, std::size_t end, const std::string& with);
  std::size_t ScanTag(std::size_t at, std::string& name, std::vector<Attribute>& attributes) const;
  std::size_t SkipRawText(std::size_t at, std::string_view name) const;

  std::string_view m_text;
  const PageUrlReplacement& m_replace;
  std::string* m_out;  // not owned; null when only finding
  std::size_t m_copied = 0;
};

void UrlPass::Replace(std::size_t begin, std::size_t end, const std::string& with) {
  if (m_out == nullptr) return;
  m_out->append(m_text.substr(m_copied, begin - m_copied));
  m_out->append(with);
  m_copied = end;
}

void UrlPass::Css(std::size_t begin, std::size_t end, CssSource source, bool embedded) {
  if (const auto rewritten = RewrittenCss(m_text.substr(begin, end - begin), source, embedded)) {
    Replace(begin, end, *rewritten);
  }
}

std::optional<std::string> UrlPass::RewrittenCss(std::string_view css, CssSource source, bool embedded) const {
  bool changed = false;
  std::string rewritten = RewriteCssReferences(
      css,
      [&](const CssReference& reference) {
        std::optional<std::string> answer = m_replace(PageUrl{reference.url, embedded});
        changed = changed || answer.has_value();
        return answer;
      },
      source);
  if (!changed) return std::nullopt;
  return rewritten;
}

void UrlPass::ReplaceValue(const Attribute& attribute, const std::string& value) {
  const std::size_t begin = attribute.quote != 0 ? attribute.valueBegin - 1 : attribute.valueBegin;
  const std::size_t end = attribute.quote != 0 ? attribute.valueEnd + 1 : attribute.valueEnd;
  const char quote = attribute.quote == '\'' ? '\'' : '"';
  std::string escaped = EscapeAttributeValue(value);
  if (quote == '\'') {
    std::string withApostrophes;
    for (const char c : escaped) withApostrophes += c == '\'' ? std::string("&#39;") : std::string(1, c);
    escaped = withApostrophes;
  }
  Replace(begin, end, quote + escaped + quote);
}

void UrlPass::AttributeUrl(const Attribute& attribute, bool embedded) {
  const std::string url(TrimHtmlSpace(
      DecodeCharacterReferences(m_text.substr(attribute.valueBegin, attribute.valueEnd - attribute.valueBegin))));
  if (url.empty()) return;
  if (const std::optional<std::string> answer = m_replace(PageUrl{url, embedded})) ReplaceValue(attribute, *answer);
}

// Image candidate strings (WHATWG HTML, "parse a srcset attribute"): a URL,
// then descriptors up to a comma outside parentheses.
void UrlPass::Srcset(const Attribute& attribute, bool embedded) {
  const std::string value =
      DecodeCharacterReferences(m_text.substr(attribute.valueBegin, attribute.valueEnd - attribute.valueBegin));
  std::string rewritten;
  bool changed = false;
  std::size_t at = 0;
  while (at < value.size()) {
    std::size_t start = at;
    while (start < value.size() && (IsHtmlSpace(value[start]) || value[start] == ',')) ++start;
    rewritten.append(value, at, start - at);
    if (start == value.size()) break;
    std::size_t end = start;
    while (end < value.size() && !IsHtmlSpace(value[end])) ++end;
    std::size_t urlEnd = end;
    while (urlEnd > start && value[urlEnd - 1] == ',') --urlEnd;
    const std::string url = value.substr(start, urlEnd - start);
    std::optional<std::string> answer = m_replace(PageUrl{url, embedded});
    changed = changed || answer.has_value();
    rewritten += answer ? *answer : url;
    at = urlEnd;
    if (urlEnd == end) {
      int depth = 0;
      while (at < value.size() && (depth > 0 || value[at] != ',')) {
        depth += value[at] == '(' ? 1 : value[at] == ')' ? -1 : 0;
        ++at;
      }
    }
    rewritten.append(value, urlEnd, at - urlEnd);
  }
  if (changed) ReplaceValue(attribute, rewritten);
}

void UrlPass::StyleAttribute(const Attribute& attribute) {
  const std::string value =
      DecodeCharacterReferences(m_text.substr(attribute.valueBegin, attribute.valueEnd - attribute.valueBegin));
  if (const auto rewritten = RewrittenCss(value, CssSource::StyleAttribute, true)) ReplaceValue(attribute, *rewritten);
}

bool IsEmbeddingLink(const std::vector<Attribute>& attributes, std::string_view text) {
  for (const Attribute& attribute : attributes) {
    if (attribute.name != "rel") continue;
    const std::string rel = ToLower(text.substr(attribute.valueBegin, attribute.valueEnd - attribute.valueBegin));
    for (const char* kind : {"stylesheet", "icon", "preload", "modulepreload", "manifest"}) {
      if (rel.find(kind) != std::string::npos) return true;
    }
  }
  return false;
}

void UrlPass::Tag(std::string_view name, const std::vector<Attribute>& attributes) {
  for (const Attribute& attribute : attributes) {
    if (!attribute.hasValue) continue;
    const std::string& key = attribute.name;
    if (key == "src" || key == "background" || key == "poster" || (key == "data" && name == "object")) {
      AttributeUrl(attribute, true);
    } else if (key == "href" || key == "xlink:href") {
      const bool embedded =
          name == "link" ? IsEmbeddingLink(attributes, m_text) : name == "image" || name == "use" || name == "feimage";
      AttributeUrl(attribute, embedded);
    } else if (key == "srcset" || key == "imagesrcset") {
      Srcset(attribute, true);
    } else if (key == "style") {
      StyleAttribute(attribute);
    }
  }
}

std::size_t UrlPass::ScanTag(std::size_t at, std::string& name, std::vector<Attribute>& attributes) const {
  const std::size_t size = m_text.size();
  std::size_t end = at;
  while (end < size && !IsHtmlSpace(m_text[end]) && m_text[end] != '/' && m_text[end] != '>') ++end;
  name = ToLower(m_text.substr(at, end - at));
  at = end;
  while (at < size) {
    while (at < size && (IsHtmlSpace(m_text[at]) || m_text[at] == '/')) ++at;
    if (at >= size || m_text[at] == '>') break;
    Attribute attribute;
    std::size_t nameEnd = at + 1;
    while (nameEnd < size && !IsHtmlSpace(m_text[nameEnd]) && m_text[nameEnd] != '/' && m_text[nameEnd] != '>' &&
           m_text[nameEnd] != '=') {
      ++nameEnd;
    }
    attribute.name = ToLower(m_text.substr(at, nameEnd - at));
    at = nameEnd;
    while (at < size && IsHtmlSpace(m_text[at])) ++at;
    if (at < size && m_text[at] == '=') {
      ++at;
      while (at < size && IsHtmlSpace(m_text[at])) ++at;
      attribute.hasValue = true;
      if (at < size && (m_text[at] == '"' || m_text[at] == '\'')) {
        attribute.quote = m_text[at];
        attribute.valueBegin = at + 1;
        const std::size_t close = m_text.find(attribute.quote, at + 1);
        if (close == std::string_view::npos) return size;  // a tag cut off by the end is no tag
        attribute.valueEnd = close;
        at = close + 1;
      } else {
        attribute.valueBegin = at;
        while (at < size && !IsHtmlSpace(m_text[at]) && m_text[at] != '>') ++at;
        attribute.valueEnd = at;
      }
    }
    attributes.push_back(std::move(attribute));
  }
  return at < size ? at + 1 : size;
}

std::size_t UrlPass::SkipRawText(std::size_t at, std::string_view name) const {
  for (std::size_t close = m_text.find("</", at); close != std::string_view::npos;
       close = m_text.find("</", close + 2)) {
    if (ToLower(m_text.substr(close + 2, name.size())) == name) return close;
  }
  return m_text.size();
}

void UrlPass::Html() {
  const std::size_t size = m_text.size();
  std::size_t at = 0;
  while ((at = m_text.find('<', at)) != std::string_view::npos) {
    const std::string_view rest = m_text.substr(at);
    if (rest.starts_with("<!--")) {
      const std::size_t end = m_text.find("-->", at + 4);
      at = end == std::string_view::npos ? size : end + 3;
    } else if (rest.size() > 1 && std::isalpha(static_cast<unsigned char>(rest[1]))) {
      std::string name;
      std::vector<Attribute> attributes;
      const std::size_t end = ScanTag(at + 1, name, attributes);
      if (end == size && (end == 0 || m_text[end - 1] != '>')) return;
      Tag(name, attributes);
      at = end;
      if (name == "style") {
        const std::size_t close = SkipRawText(at, name);
        Css(at, close, CssSource::Stylesheet, true);
        at = close;
      } else if (name == "script" || name == "textarea" || name == "title" || name == "xmp" || name == "iframe" ||
                 name == "noembed" || name == "noframes") {
        at = SkipRawText(at, name);
      }
    } else if (rest.starts_with("<!") || rest.starts_with("</") || rest.starts_with("<?")) {
      const std::size_t end = m_text.find('>', at + 1);
      at = end == std::string_view::npos ? size : end + 1;
    } else {
      ++at;
    }
  }
}

void RunPass(std::string_view text, PageKind kind, const PageUrlReplacement& replace, std::string* out) {
  UrlPass pass(text, replace, out);
  if (kind == PageKind::kCss) {
    pass.Css(0, text.size(), CssSource::Stylesheet, true);
  } else {
    pass.Html();
  }
  pass.Finish();
}

bool HasScheme(std::string_view url) {
  if (url.empty() || !std::isalpha(static_cast<unsigned char>(url[0]))) return false;
  for (const char c : url) {
    if (c == ':') return true;
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '+' && c != '-' && c != '.') return false;
  }
  return false;
}

// RFC 3986 section 5.2.4.
std::string RemoveDotSegments(std::string_view path) {
  std::vector<std::string_view> segments;
  std::size_t at = 0;
  const bool absolute = path.starts_with('/');
  if (absolute) at = 1;
  bool lastWasFolder = false;
  while (at <= path.size()) {
    const std::size_t end = std::min(path.find('/', at), path.size());
    const std::string_view segment = path.substr(at, end - at);
    lastWasFolder = segment == "." || segment == "..";
    if (segment == "..") {
      if (!segments.empty()) segments.pop_back();
    } else if (segment != ".") {
      segments.push_back(segment);
    }
    at = end + 1;
  }
  std::string out = absolute ? "/" : "";
  for (std::size_t i = 0; i < segments.size(); ++i) {
    if (i > 0) out.push_back('/');
    out.append(segments[i]);
  }
  if (lastWasFolder && !out.ends_with('/')) out.push_back('/');
  return out;
}

}  // namespace

std::vector<PageUrl> FindPageUrls(std::string_view text, PageKind kind) {
  std::vector<PageUrl> urls;
  RunPass(
      text, kind,
      [&urls](const PageUrl& url) -> std::optional<std::string> {
        urls.push_back(url);
        return std::nullopt;
      },
      nullptr);
  return urls;
}

std::string RewritePageUrls(std::string_view text, PageKind kind, const PageUrlReplacement& replace) {
  std::string out;
  RunPass(text, kind, replace, &out);
  return out;
}

std::string ResolveUrl(std::string_view base, std::string_view reference) {
  reference = TrimHtmlSpace(reference);
  reference = reference.substr(0, std::min(reference.find('#'), reference.size()));
  if (reference.empty()) return {};
  if (HasScheme(reference)) return std::string(reference);
  const std::size_t colon = base.find(':');
  if (!HasScheme(base) || base.substr(colon + 1, 2) != "//") return {};
  base = base.substr(0, std::min(base.find('#'), base.size()));
  const std::string_view scheme = base.substr(0, colon + 1);
  if (reference.starts_with("//")) return std::string(scheme) + std::string(reference);
  const std::size_t pathStart = std::min(base.find_first_of("/?", colon + 3), base.size());
  const std::string_view origin = base.substr(0, pathStart);
  const std::string_view baseRest = base.substr(pathStart);
  const std::string_view basePath = baseRest.substr(0, std::min(baseRest.find('?'), baseRest.size()));
  if (reference.starts_with('?')) return std::string(origin) + std::string(basePath) + std::string(reference);
  const std::size_t queryStart = std::min(reference.find('?'), reference.size());
  const std::string_view referencePath = reference.substr(0, queryStart);
  const std::string_view query = reference.substr(queryStart);
  std::string merged;
  if (referencePath.starts_with('/')) {
    merged = referencePath;
  } else {
    const std::size_t lastSlash = basePath.rfind('/');
    merged = lastSlash == std::string_view::npos ? "/" : std::string(basePath.substr(0, lastSlash + 1));
    merged += referencePath;
  }
  return std::string(origin) + RemoveDotSegments(merged) + std::string(query);
}

std::string PercentDecoded(std::string_view text) {
  std::string out;
  for (std::size_t at = 0; at < text.size(); ++at) {
    if (text[at] == '%' && at + 2 < text.size() && std::isxdigit(static_cast<unsigned char>(text[at + 1])) &&
        std::isxdigit(static_cast<unsigned char>(text[at + 2]))) {
      out.push_back(static_cast<char>(std::stoi(std::string(text.substr(at + 1, 2)), nullptr, 16)));
      at += 2;
    } else {
      out.push_back(text[at]);
    }
  }
  return out;
}
