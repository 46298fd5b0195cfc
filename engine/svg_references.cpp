#include "engine/svg_references.h"

#include <algorithm>
#include <array>

#include <vector>

#include "engine/html_names.h"
#include "engine/html_tag_scanner.h"

namespace {

struct Edit {
  std::size_t begin;
  std::size_t end;
  std::string text;
};

constexpr std::array<std::string_view, 4> kReferringElements{"image", "use", "feimage", "script"};

// XML's five entities and numeric character references decoded; nothing
// when the value holds any other entity, whose meaning the file's doctype
// may define.
std::optional<std::string> DecodeXmlValue(std::string_view value) {
  std::string decoded;
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] != '&') {
      decoded += value[i];
      continue;
    }
    const std::size_t semicolon = value.find(';', i);
    if (semicolon == std::string_view::npos) return std::nullopt;
    const std::string_view entity = value.substr(i + 1, semicolon - i - 1);
    static constexpr std::array<std::pair<std::string_view, char>, 5> kEntities{
        {{"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}}};
    bool known = false;
    for (const auto& [name, character] : kEntities) {
      if (entity == name) {
        decoded += character;
        known = true;
      }
    }
    if (!known) return std::nullopt;
    i = semicolon;
  }
  return decoded;
}

// `text` as an attribute value between `quote`s.
std::string EscapeXmlValue(std::string_view text, char quote) {
  std::string escaped;
  for (const char c : text) {
    if (c == '&') {
      escaped += "&amp;";
    } else if (c == '<') {
      escaped += "&lt;";
    } else if (c == quote) {
      escaped += quote == '"' ? "&quot;" : "&apos;";
    } else {
      escaped += c;
    }
  }
  return escaped;
}

// `text` as character data of a style element, where "&" and "<" would be
// read as markup unless inside a CDATA section.
std::string EscapeXmlText(std::string_view text) { return EscapeXmlValue(text, '\0'); }

class SvgRewriter {
 public:
  SvgRewriter(std::string_view svg, const SvgReplacement& replace) : m_svg(svg), m_replace(replace) {}

  std::string Rewrite() {
    HtmlTagScanner scanner(m_svg);
    for (const ScannedToken* token = &scanner.Next(true); token->kind != ScannedToken::Kind::kEnd;
         token = &scanner.Next(true)) {
      if (token->kind != ScannedToken::Kind::kStartTag) continue;
      const std::string name = AsciiLower(token->name);
      for (const ScannedAttribute& attribute : token->attributes) Attribute(name, attribute);
      if (name == "style" && !token->selfClosing) {
        const std::size_t textBegin = Offset(token->source) + token->source.size();
        const std::size_t textEnd = FindStyleEnd(textBegin);
        StyleText(textBegin, textEnd);
        scanner.SkipText(TextContent::kRawText, "style");
      }
    }
    std::string out;
    std::size_t copied = 0;
    for (const Edit& edit : m_edits) {
      out.append(m_svg, copied, edit.begin - copied);
      out += edit.text;
      copied = edit.end;
    }
    out.append(m_svg, copied, std::string_view::npos);
    return out;
  }

 private:
  std::size_t Offset(std::string_view part) const { return static_cast<std::size_t>(part.data() - m_svg.data()); }

  std::size_t FindStyleEnd(std::size_t from) const {
    for (std::size_t at = m_svg.find("</", from); at != std::string_view::npos; at = m_svg.find("</", at + 2)) {
      if (EqualsIgnoringAsciiCase(m_svg.substr(at + 2, 5), "style")) return at;
    }
    return m_svg.size();
  }

  void Attribute(const std::string& element, const ScannedAttribute& attribute) {
    const std::size_t begin = Offset(attribute.value);
    if (!attribute.hasValue || begin == 0 || (m_svg[begin - 1] != '"' && m_svg[begin - 1] != '\'')) return;
    const char quote = m_svg[begin - 1];
    const std::optional<std::string> value = DecodeXmlValue(attribute.value);
    if (!value) return;
    const std::string name = AsciiLower(attribute.name);
    if (name == "style") {
      const std::string rewritten = RewriteCssReferences(
          *value, [this](const CssReference& css) { return m_replace(css.url, SvgReferenceKind::Stylesheet, &css); },
          CssSource::StyleAttribute);
      if (rewritten != *value) {
        m_edits.push_back({begin, begin + attribute.value.size(), EscapeXmlValue(rewritten, quote)});
      }
      return;
    }
    if ((name != "href" && name != "xlink:href") ||
        std::find(kReferringElements.begin(), kReferringElements.end(), element) == kReferringElements.end()) {
      return;
    }
    if (const std::optional<std::string> url = m_replace(*value, SvgReferenceKind::Element, nullptr)) {
      m_edits.push_back({begin, begin + attribute.value.size(), EscapeXmlValue(*url, quote)});
    }
  }

  // The stylesheet of a style element, in or out of CDATA sections; a
  // replacement outside one is escaped as character data.
  void StyleText(std::size_t begin, std::size_t end) {
    const std::string_view text = m_svg.substr(begin, end - begin);
    const bool inCdata = text.find("<![CDATA[") != std::string_view::npos;
    if (!inCdata && text.find('&') != std::string_view::npos) return;  // entities the stylesheet would need decoded
    for (const CssReference& css : FindCssReferences(text)) {
      const std::optional<std::string> url = m_replace(css.url, SvgReferenceKind::Stylesheet, &css);
      if (!url) continue;
      const std::string written =
          css.form == CssReferenceForm::UrlToken ? "url(" + CssQuotedString(*url) + ")" : CssQuotedString(*url);
      m_edits.push_back({begin + css.begin, begin + css.end, inCdata ? written : EscapeXmlText(written)});
    }
  }

  std::string_view m_svg;
  const SvgReplacement& m_replace;
  std::vector<Edit> m_edits;  // in text order: tags and style text come in order
};

}  // namespace

std::string RewriteSvgReferences(std::string_view svg, const SvgReplacement& replace) {
  return SvgRewriter(svg, replace).Rewrite();
}
