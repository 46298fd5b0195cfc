#include "engine/html_serializer.h"

#include <lexbor/dom/interfaces/character_data.h>
#include <lexbor/dom/interfaces/document_type.h>
#include <lexbor/html/interfaces/document.h>
#include <lexbor/ns/const.h>

#include <algorithm>
#include <array>
#include <new>
#include <string_view>
#include <vector>

#include "engine/html_attribute_edits.h"
#include "engine/html_names.h"
#include "engine/html_text_decoding.h"
#include "engine/html_text_edits.h"
#include "engine/html_tree_walk.h"

namespace {

constexpr std::array<std::string_view, 18> kVoidElements{"area",  "base",  "basefont", "bgsound", "br",    "col",
                                                         "embed", "frame", "hr",       "img",     "input", "keygen",
                                                         "link",  "meta",  "param",    "source",  "track", "wbr"};

// Their text is written as it stands. noscript is not among them: the parser
// reads its content as markup (scripting disabled), so its text must be
// escaped to read back the same.
constexpr std::array<lxb_tag_id_t, 7> kRawTextElements{
    LXB_TAG_STYLE, LXB_TAG_SCRIPT, LXB_TAG_XMP, LXB_TAG_IFRAME, LXB_TAG_NOEMBED, LXB_TAG_NOFRAMES, LXB_TAG_PLAINTEXT};

// The parser drops one line feed right after these start tags.
constexpr std::array<lxb_tag_id_t, 3> kLeadingNewlineElements{LXB_TAG_PRE, LXB_TAG_TEXTAREA, LXB_TAG_LISTING};

constexpr std::string_view kNoBreakSpace = "\xC2\xA0";

bool IsHtmlOneOf(const lxb_dom_node_t& node, const auto& tags) {
  return std::any_of(tags.begin(), tags.end(), [&](lxb_tag_id_t tag) { return IsHtmlElement(node, tag); });
}

bool IsVoid(const lxb_dom_node_t& node, std::string_view localName) {
  return node.ns == LXB_NS_HTML &&
         std::find(kVoidElements.begin(), kVoidElements.end(), localName) != kVoidElements.end();
}

bool IsText(const lxb_dom_node_t& node) {
  return node.type == LXB_DOM_NODE_TYPE_TEXT || node.type == LXB_DOM_NODE_TYPE_CDATA_SECTION;
}

std::string_view CharacterData(const lxb_dom_node_t& node) {
  const lexbor_str_t& data = lxb_dom_interface_character_data(&node)->data;
  if (data.data == nullptr) return {};
  return {reinterpret_cast<const char*>(data.data), data.length};
}

std::string_view StringOf(const lexbor_str_t& text) {
  if (text.data == nullptr) return {};
  return {reinterpret_cast<const char*>(text.data), text.length};
}

bool StartsWithLineFeed(const lxb_dom_node_t& element) {
  const lxb_dom_node_t* first = FirstChildOf(element);
  return first != nullptr && IsText(*first) && CharacterData(*first).starts_with('\n');
}

// Appends `text` with what markup would misread replaced by character
// references: '&' and U+00A0 always, '"' in attribute values, '<' and '>' in text.
void AppendEscaped(std::string& out, std::string_view text, bool attributeMode) {
  std::size_t runStart = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    std::string_view reference;
    std::size_t length = 1;
    switch (text[i]) {
      case '&': reference = "&amp;"; break;
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
      default: break;
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

  std::string Write(const lxb_dom_node_t& element) {
    Open(element);
    while (!m_open.empty()) Step();
    return std::move(m_out);
  }

 private:
  struct OpenElement {
    const lxb_dom_node_t* node;       // not owned
    const lxb_dom_node_t* nextChild;  // not owned; null when every child is written
    std::string localName;
  };

  void Step() {
    OpenElement& top = m_open.back();
    if (top.nextChild == nullptr) {
      if (!m_afterPlaintext) {
        m_out += "</";
        m_out += top.localName;
        m_out += '>';
      }
      m_open.pop_back();
      return;
    }
    const lxb_dom_node_t& parent = *top.node;
    const lxb_dom_node_t& child = *top.nextChild;
    top.nextChild = child.next;
    if (IsElement(child)) {
      Open(child);
    } else if (IsText(child)) {
      // The markup stays well-formed UTF-8 whatever the parser was given.
      std::string repaired;
      AppendText(parent, WellFormedUtf8(CharacterData(child), repaired));
    } else if (child.type == LXB_DOM_NODE_TYPE_COMMENT) {
      m_out += "<!--";
      m_out += CharacterData(child);
      m_out += "-->";
    }
  }

  void Open(const lxb_dom_node_t& element) {
    // Nothing after a plaintext start tag reads back as markup, so what
    // follows it in the tree (the implied body, text fostered out of a table)
    // is written as the text it reads back as.
    if (m_afterPlaintext) {
      m_open.push_back({&element, FirstChildOf(element), {}});
      return;
    }
    std::string localName = ElementLocalName(element);
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
    m_afterPlaintext = m_afterPlaintext || IsHtmlElement(element, LXB_TAG_PLAINTEXT);
    if (editedText == nullptr) {
      m_open.push_back({&element, FirstChildOf(element), std::move(localName)});
      return;
    }
    // The edited text stands for every child.
    AppendText(element, *editedText);
    m_open.push_back({&element, nullptr, std::move(localName)});
  }

  void AppendText(const lxb_dom_node_t& parent, std::string_view text) {
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
std::string SpellDoctype(const lxb_dom_document_type_t& doctype, bool cutShort) {
  std::string out = "<!DOCTYPE";
  std::size_t nameLength = 0;
  const lxb_char_t* name = lxb_dom_document_type_name(const_cast<lxb_dom_document_type_t*>(&doctype), &nameLength);
  if (name != nullptr && nameLength != 0) {
    out += ' ';
    out.append(reinterpret_cast<const char*>(name), nameLength);
  }
  const std::string_view publicId = StringOf(doctype.public_id);
  const std::string_view systemId = StringOf(doctype.system_id);
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

bool IsQuirksDoctype(const std::string& doctype) {
  lxb_html_document_t* document = lxb_html_document_create();
  if (document == nullptr) throw std::bad_alloc();
  const lxb_status_t status =
      lxb_html_document_parse(document, reinterpret_cast<const lxb_char_t*>(doctype.data()), doctype.size());
  const bool quirks = lxb_dom_interface_document(document)->compat_mode == LXB_DOM_DOCUMENT_CMODE_QUIRKS;
  lxb_html_document_destroy(document);
  if (status != LXB_STATUS_OK) throw std::bad_alloc();
  return quirks;
}

}  // namespace

std::string SerializeOuterHtml(const lxb_dom_node_t& element, const AttributeEdits& edits, const TextEdits& texts) {
  return OuterHtmlWriter(edits, texts).Write(element);
}

bool EndsRawTextEarly(const lxb_dom_node_t& element, std::string_view text) {
  // Nothing ends plaintext.
  if (!IsHtmlOneOf(element, kRawTextElements) || IsHtmlElement(element, LXB_TAG_PLAINTEXT)) return false;
  const std::string endTag = "</" + ElementLocalName(element);
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

std::string SerializeDoctype(const lxb_dom_document_t& document) {
  if (document.doctype == nullptr) return {};
  std::string clean = SpellDoctype(*document.doctype, false);
  // A parse error in the page's doctype (text after the name, an identifier
  // cut short by ">") put the page in quirks mode; written cleanly, the
  // archived page would read in another mode and lay out differently.
  if (document.compat_mode == LXB_DOM_DOCUMENT_CMODE_QUIRKS && !IsQuirksDoctype(clean)) {
    return SpellDoctype(*document.doctype, true);
  }
  return clean;
}
