#include "engine/html_serializer.h"

#include <algorithm>
#include <array>
#include <string_view>
#include <vector>

#include "engine/html_attribute_edits.h"
#include "engine/html_names.h"
#include "engine/html_text_decoding.h"
#include "engine/html_text_edits.h"

namespace {

constexpr std::array<std::string_view, 18> kVoidElements{
    "area", "base", "basefont", "bgsound", "br", "col", "embed", "frame", "hr",
    "img", "input", "keygen", "link", "meta", "param", "source", "track", "wbr"};

// Their text is written as it stands. noscript is not among them: gumbo parses
// its content as markup (scripting disabled), so its text must be escaped to
// read back the same.
constexpr std::array<GumboTag, 7> kRawTextElements{GUMBO_TAG_STYLE,   GUMBO_TAG_SCRIPT,   GUMBO_TAG_XMP,
                                                   GUMBO_TAG_IFRAME,  GUMBO_TAG_NOEMBED,  GUMBO_TAG_NOFRAMES,
                                                   GUMBO_TAG_PLAINTEXT};

// The parser drops one line feed right after these start tags.
constexpr std::array<GumboTag, 3> kLeadingNewlineElements{GUMBO_TAG_PRE, GUMBO_TAG_TEXTAREA, GUMBO_TAG_LISTING};

constexpr std::string_view kNoBreakSpace = "\xC2\xA0";

bool IsHtmlOneOf(const GumboNode& node, const auto& tags) {
  return std::any_of(tags.begin(), tags.end(), [&](GumboTag tag) { return IsHtmlElement(node, tag); });
}

bool IsVoid(const GumboNode& node, std::string_view localName) {
  return node.v.element.tag_namespace == GUMBO_NAMESPACE_HTML &&
         std::find(kVoidElements.begin(), kVoidElements.end(), localName) != kVoidElements.end();
}

bool IsText(const GumboNode& node) {
  return node.type == GUMBO_NODE_TEXT || node.type == GUMBO_NODE_WHITESPACE || node.type == GUMBO_NODE_CDATA;
}

bool StartsWithLineFeed(const GumboNode& element) {
  const GumboVector& children = element.v.element.children;
  if (children.length == 0) return false;
  const auto* first = static_cast<const GumboNode*>(children.data[0]);
  return IsText(*first) && first->v.text.text[0] == '\n';
}

// Appends `text` with what markup would misread replaced by character
// references: '&' and U+00A0 always, '"' in attribute values, '<' and '>' in text.
void AppendEscaped(std::string& out, std::string_view text, bool attributeMode) {
  std::size_t runStart = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    std::string_view reference;
    std::size_t length = 1;
    switch (text[i]) {
      case '&':
        reference = "&amp;";
        break;
      case '"':
        if (attributeMode) reference = "&quot;";
        break;
      case '<':
        if (!attributeMode) reference = "&lt;";
        break;
      case '>':
        if (!attributeMode) reference = "&gt;";
        break;
      case '\xC2':
        if (text.substr(i, 2) == kNoBreakSpace) {
          reference = "&nbsp;";
          length = 2;
        }
        break;
      default:
        break;
    }
    if (reference.empty()) continue;
    out.append(text, runStart, i - runStart);
    out += reference;
    i += length - 1;
    runStart = i + 1;
  }
  out.append(text, runStart, std::string_view::npos);
}

class OuterHtmlWriter {
 public:
  OuterHtmlWriter(const AttributeEdits& edits, const TextEdits& texts) : m_edits(edits), m_texts(texts) {}

  std::string Write(const GumboNode& element) {
    Open(element);
    while (!m_open.empty()) Step();
    return std::move(m_out);
  }

 private:
  struct OpenElement {
    const GumboNode* node;  // not owned
    unsigned int nextChild;
    std::string localName;
  };

  void Step() {
    OpenElement& top = m_open.back();
    const GumboVector& children = top.node->v.element.children;
    if (top.nextChild == children.length) {
      if (!m_afterPlaintext) {
        m_out += "</";
        m_out += top.localName;
        m_out += '>';
      }
      m_open.pop_back();
      return;
    }
    const GumboNode& parent = *top.node;
    const GumboNode& child = *static_cast<const GumboNode*>(children.data[top.nextChild++]);
    if (child.type == GUMBO_NODE_ELEMENT || child.type == GUMBO_NODE_TEMPLATE) {
      Open(child);
    } else if (IsText(child)) {
      // gumbo writes a numeric character reference beyond U+10FFFF as a stray
      // byte where a browser has U+FFFD; the markup stays well-formed UTF-8.
      std::string repaired;
      AppendText(parent, WellFormedUtf8(child.v.text.text, repaired));
    } else if (child.type == GUMBO_NODE_COMMENT) {
      m_out += "<!--";
      m_out += child.v.text.text;
      m_out += "-->";
    }
  }

  void Open(const GumboNode& element) {
    // Nothing after a plaintext start tag reads back as markup, so what
    // follows it in the tree (the implied body, text fostered out of a table)
    // is written as the text it reads back as.
    if (m_afterPlaintext) {
      m_open.push_back({&element, 0, {}});
      return;
    }
    std::string localName = ElementLocalName(element.v.element);
    m_out += '<';
    m_out += localName;
    m_edits.ForEach(element, [this](std::string_view name, std::string_view value) {
      m_out += ' ';
      m_out += name;
      m_out += "=\"";
      AppendEscaped(m_out, value, true);
      m_out += '"';
    });
    m_out += '>';
    if (IsVoid(element, localName)) return;
    const std::string* editedText = m_texts.Text(element);
    const bool leadingLineFeed = editedText != nullptr ? editedText->starts_with('\n') : StartsWithLineFeed(element);
    if (IsHtmlOneOf(element, kLeadingNewlineElements) && leadingLineFeed) m_out += '\n';
    m_afterPlaintext = m_afterPlaintext || IsHtmlElement(element, GUMBO_TAG_PLAINTEXT);
    if (editedText == nullptr) {
      m_open.push_back({&element, 0, std::move(localName)});
      return;
    }
    // The edited text stands for every child.
    AppendText(element, *editedText);
    m_open.push_back({&element, element.v.element.children.length, std::move(localName)});
  }

  void AppendText(const GumboNode& parent, std::string_view text) {
    if (m_afterPlaintext || IsHtmlOneOf(parent, kRawTextElements)) {
      m_out += text;
    } else {
      AppendEscaped(m_out, text, false);
    }
  }

  const AttributeEdits& m_edits;
  const TextEdits& m_texts;
  std::string m_out;
  std::vector<OpenElement> m_open;  // the elements whose end tags are still to come, innermost last
  // A parser reads everything after a plaintext start tag as text, so tags
  // written there would show on the page; the page ends without them.
  bool m_afterPlaintext = false;
};

void AppendQuoted(std::string& out, std::string_view identifier, bool closed) {
  const char quote = identifier.find('"') == std::string_view::npos ? '"' : '\'';
  out += ' ';
  out += quote;
  out += identifier;
  if (closed) out += quote;
}

// "<!DOCTYPE name PUBLIC "public" "system">" with what the page had. Cut
// short, the last identifier loses its closing quote (or a bare SYSTEM
// stands for it), which the parser reads as cut short by ">": quirks mode,
// the identifiers' text kept.
std::string SpellDoctype(const GumboDocument& document, bool cutShort) {
  std::string out = "<!DOCTYPE";
  if (*document.name != '\0') {
    out += ' ';
    out += document.name;
  }
  const std::string_view publicId = document.public_identifier;
  const std::string_view systemId = document.system_identifier;
  if (!publicId.empty()) {
    out += " PUBLIC";
    AppendQuoted(out, publicId, !(cutShort && systemId.empty()));
    if (!systemId.empty()) AppendQuoted(out, systemId, !cutShort);
  } else if (!systemId.empty() || cutShort) {
    out += " SYSTEM";
    if (!systemId.empty()) AppendQuoted(out, systemId, !cutShort);
  }
  out += '>';
  return out;
}

GumboQuirksModeEnum ModeOfDoctype(const std::string& doctype) {
  GumboOutput* output = gumbo_parse_with_options(&kGumboDefaultOptions, doctype.data(), doctype.size());
  if (output == nullptr) return GUMBO_DOCTYPE_NO_QUIRKS;
  const GumboQuirksModeEnum mode = output->document->v.document.doc_type_quirks_mode;
  gumbo_destroy_output(&kGumboDefaultOptions, output);
  return mode;
}

}  // namespace

std::string SerializeOuterHtml(const GumboNode& element, const AttributeEdits& edits, const TextEdits& texts) {
  return OuterHtmlWriter(edits, texts).Write(element);
}

bool EndsRawTextEarly(const GumboNode& element, std::string_view text) {
  // Nothing ends plaintext.
  if (!IsHtmlOneOf(element, kRawTextElements) || IsHtmlElement(element, GUMBO_TAG_PLAINTEXT)) return false;
  const std::string endTag = "</" + ElementLocalName(element.v.element);
  // The tokenizer's "appropriate end tag": the name, then a blank, "/" or ">".
  constexpr std::string_view kAfterName = "\t\n\f\r />";
  for (std::size_t at = text.find("</"); at != std::string_view::npos; at = text.find("</", at + 1)) {
    const std::size_t after = at + endTag.size();
    if (after < text.size() && EqualsIgnoringAsciiCase(text.substr(at, endTag.size()), endTag) &&
        kAfterName.find(text[after]) != std::string_view::npos) {
      return true;
    }
  }
  return false;
}

std::string SerializeDoctype(const GumboDocument& document) {
  if (!document.has_doctype) return {};
  std::string clean = SpellDoctype(document, false);
  // A parse error in the page's doctype (text after the name, an identifier
  // cut short by ">") put the page in quirks mode; written cleanly, the
  // archived page would read in another mode and lay out differently.
  if (document.doc_type_quirks_mode == GUMBO_DOCTYPE_QUIRKS && ModeOfDoctype(clean) != GUMBO_DOCTYPE_QUIRKS) {
    return SpellDoctype(document, true);
  }
  return clean;
}
