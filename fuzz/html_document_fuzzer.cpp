// A page goes through the document layer as the engine uses it: decoded,
// loaded, listed, an attribute rewritten, serialized. The serialized markup
// must read back as itself: parsing it and serializing again gives the same
// text, or the archive's page would differ from what the engine saw.
//
// Some trees no markup can reproduce through gumbo: a character reference
// that yields CR, a control or a noncharacter (read back as LF or U+FFFD),
// elements the parser nests where markup cannot (a in a, nobr in nobr, form
// in form, a heading straight inside a heading), a block that table foster parenting put into a paragraph or a
// list item into a list item (their start tags would close it), an HTML
// element gumbo puts straight into SVG or MathML outside an integration point
// (markup for it breaks out of the foreign element), and a script whose text
// holds "<!--" (the page may have ended inside it in a state where
// "</script>" does not close it), and an attribute name with "=" after its
// first character (gumbo carries a dropped duplicate attribute's name into
// the next one). The engine's own round-trip tests list the first two kinds. Such a tree's markup is read back once more, and the check
// applies to the first tree that has none of them.
#include <gumbo.h>
#include <strings.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/html_document.h"
#include "engine/page_decoding.h"
#include "fuzz/fuzz_check.h"

namespace {

// Enough elements to cover every path without making large inputs slow.
constexpr std::size_t kEditedElements = 64;

std::string Markup(const HtmlDocument& document) {
  return document.PageMarkup();
}

// Rounds of reading back before a tree without those kinds is given up on.
constexpr int kMaxRounds = 4;

// Rewrites references the way discovery does, with values that need
// escaping, and adds an attribute the parser never saw.
void EditReferences(HtmlDocument& document, const std::vector<HtmlElement>& elements, const char* attribute) {
  for (std::size_t i = 0; i < elements.size() && i < kEditedElements; ++i) {
    const std::optional<std::string> value = document.GetAttribute(elements[i], attribute);
    document.SetAttribute(elements[i], attribute, "file:///tmp/" + value.value_or("&\"\xC2\xA0<>"));
    document.SetAttribute(elements[i], "data-scrivane", value.value_or(""));
    const std::optional<std::string> reread = document.GetAttribute(elements[i], attribute);
    Require(reread.has_value() && reread->rfind("file:///tmp/", 0) == 0, "a set attribute reads back");
  }
}

// The code points gumbo turns into U+FFFD when they stand in the page
// literally, and CR, which every parser turns into LF.
bool ReadsBackChanged(char32_t c) {
  return c == 0x0D || (c >= 0x01 && c <= 0x08) || c == 0x0B || (c >= 0x0E && c <= 0x1F) ||
         (c >= 0x7F && c <= 0x9F) || (c >= 0xFDD0 && c <= 0xFDEF) || (c & 0xFFFE) == 0xFFFE;
}

bool HoldsCodePointReadBackChanged(std::string_view utf8) {
  for (std::size_t i = 0; i < utf8.size();) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    char32_t c = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t k = 1; k < length && i + k < utf8.size(); ++k) {
      c = c << 6 | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
    }
    if (ReadsBackChanged(c)) return true;
    i += length;
  }
  return false;
}

bool IsHtml(const GumboNode& node, GumboTag tag) {
  return node.type == GUMBO_NODE_ELEMENT && node.v.element.tag == tag &&
         node.v.element.tag_namespace == GUMBO_NAMESPACE_HTML;
}

bool HasHtmlAncestor(const GumboNode& node, GumboTag tag) {
  for (const GumboNode* up = node.parent; up != nullptr; up = up->parent) {
    if (IsHtml(*up, tag)) return true;
  }
  return false;
}

// Start tags that close an open paragraph unless a scope boundary lies
// between; a table does so only outside quirks mode.
bool ClosesParagraph(GumboTag tag, bool quirks) {
  switch (tag) {
    case GUMBO_TAG_TABLE:
      return !quirks;
    case GUMBO_TAG_ADDRESS: case GUMBO_TAG_ARTICLE: case GUMBO_TAG_ASIDE: case GUMBO_TAG_BLOCKQUOTE:
    case GUMBO_TAG_CENTER: case GUMBO_TAG_DETAILS: case GUMBO_TAG_DIR: case GUMBO_TAG_DIV:
    case GUMBO_TAG_DL: case GUMBO_TAG_FIELDSET: case GUMBO_TAG_FIGCAPTION: case GUMBO_TAG_FIGURE:
    case GUMBO_TAG_FOOTER: case GUMBO_TAG_HEADER: case GUMBO_TAG_HGROUP: case GUMBO_TAG_MAIN: case GUMBO_TAG_MENU:
    case GUMBO_TAG_NAV: case GUMBO_TAG_OL: case GUMBO_TAG_P: case GUMBO_TAG_SECTION: case GUMBO_TAG_SUMMARY:
    case GUMBO_TAG_UL: case GUMBO_TAG_H1: case GUMBO_TAG_H2: case GUMBO_TAG_H3: case GUMBO_TAG_H4: case GUMBO_TAG_H5:
    case GUMBO_TAG_H6: case GUMBO_TAG_PRE: case GUMBO_TAG_LISTING: case GUMBO_TAG_FORM: case GUMBO_TAG_PLAINTEXT:
    case GUMBO_TAG_LI: case GUMBO_TAG_DD: case GUMBO_TAG_DT: case GUMBO_TAG_HR: case GUMBO_TAG_XMP:
      return true;
    default:
      return false;
  }
}

bool IsButtonScopeBoundary(const GumboNode& node) {
  if (node.type != GUMBO_NODE_ELEMENT && node.type != GUMBO_NODE_TEMPLATE) return true;
  if (node.v.element.tag_namespace != GUMBO_NAMESPACE_HTML) return true;
  switch (node.v.element.tag) {
    case GUMBO_TAG_APPLET: case GUMBO_TAG_CAPTION: case GUMBO_TAG_HTML: case GUMBO_TAG_TABLE: case GUMBO_TAG_TD:
    case GUMBO_TAG_TH: case GUMBO_TAG_MARQUEE: case GUMBO_TAG_OBJECT: case GUMBO_TAG_TEMPLATE: case GUMBO_TAG_BUTTON:
      return true;
    default:
      return false;
  }
}

bool IsInOpenParagraph(const GumboNode& element) {
  for (const GumboNode* up = element.parent; up != nullptr && !IsButtonScopeBoundary(*up); up = up->parent) {
    if (IsHtml(*up, GUMBO_TAG_P)) return true;
  }
  return false;
}

// The elements that end the search for an open list item to close; address,
// div and p are passed over.
bool IsSpecial(const GumboNode& node) {
  if (node.type != GUMBO_NODE_ELEMENT && node.type != GUMBO_NODE_TEMPLATE) return true;
  if (node.v.element.tag_namespace != GUMBO_NAMESPACE_HTML) return true;
  switch (node.v.element.tag) {
    case GUMBO_TAG_A: case GUMBO_TAG_B: case GUMBO_TAG_BIG: case GUMBO_TAG_CODE: case GUMBO_TAG_EM:
    case GUMBO_TAG_FONT: case GUMBO_TAG_I: case GUMBO_TAG_NOBR: case GUMBO_TAG_S: case GUMBO_TAG_SMALL:
    case GUMBO_TAG_STRIKE: case GUMBO_TAG_STRONG: case GUMBO_TAG_TT: case GUMBO_TAG_U: case GUMBO_TAG_SPAN:
    case GUMBO_TAG_UNKNOWN: case GUMBO_TAG_ADDRESS: case GUMBO_TAG_DIV: case GUMBO_TAG_P:
      return false;
    default:
      return true;
  }
}

bool IsInOpenListItem(const GumboNode& element) {
  const GumboTag tag = element.v.element.tag;
  const bool definition = tag == GUMBO_TAG_DD || tag == GUMBO_TAG_DT;
  if (tag != GUMBO_TAG_LI && !definition) return false;
  for (const GumboNode* up = element.parent; up != nullptr; up = up->parent) {
    if (definition ? IsHtml(*up, GUMBO_TAG_DD) || IsHtml(*up, GUMBO_TAG_DT) : IsHtml(*up, GUMBO_TAG_LI)) return true;
    if (IsSpecial(*up)) return false;
  }
  return false;
}

bool IsIntegrationPoint(const GumboElement& element) {
  switch (element.tag) {
    case GUMBO_TAG_FOREIGNOBJECT:
    case GUMBO_TAG_DESC:
    case GUMBO_TAG_TITLE:
      return element.tag_namespace == GUMBO_NAMESPACE_SVG;
    case GUMBO_TAG_MI:
    case GUMBO_TAG_MO:
    case GUMBO_TAG_MN:
    case GUMBO_TAG_MS:
    case GUMBO_TAG_MTEXT:
      return element.tag_namespace == GUMBO_NAMESPACE_MATHML;
    case GUMBO_TAG_ANNOTATION_XML: {
      const GumboAttribute* encoding = gumbo_get_attribute(&element.attributes, "encoding");
      return element.tag_namespace == GUMBO_NAMESPACE_MATHML && encoding != nullptr &&
             (strcasecmp(encoding->value, "text/html") == 0 || strcasecmp(encoding->value, "application/xhtml+xml") == 0);
    }
    default:
      return false;
  }
}

bool IsScriptWithEscapedText(const GumboNode& element) {
  if (!IsHtml(element, GUMBO_TAG_SCRIPT)) return false;
  const GumboVector& children = element.v.element.children;
  for (unsigned i = 0; i < children.length; ++i) {
    const auto* child = static_cast<const GumboNode*>(children.data[i]);
    if (child->type != GUMBO_NODE_ELEMENT && std::string_view(child->v.text.text).find("<!--") != std::string_view::npos) {
      return true;
    }
  }
  return false;
}

bool HasAttributeNameMarkupCannotWrite(const GumboElement& element) {
  for (unsigned i = 0; i < element.attributes.length; ++i) {
    const std::string_view name = static_cast<const GumboAttribute*>(element.attributes.data[i])->name;
    if (name.find_first_of("\t\n\f\r />") != std::string_view::npos || name.find('=', 1) != std::string_view::npos) {
      return true;
    }
  }
  return false;
}

bool IsHeading(const GumboNode& node) {
  if (node.type != GUMBO_NODE_ELEMENT || node.v.element.tag_namespace != GUMBO_NAMESPACE_HTML) return false;
  switch (node.v.element.tag) {
    case GUMBO_TAG_H1: case GUMBO_TAG_H2: case GUMBO_TAG_H3: case GUMBO_TAG_H4: case GUMBO_TAG_H5: case GUMBO_TAG_H6:
      return true;
    default:
      return false;
  }
}

bool MarkupCannotReproduce(const GumboNode& element, bool quirks) {
  if (HasAttributeNameMarkupCannotWrite(element.v.element)) return true;
  if (element.v.element.tag_namespace != GUMBO_NAMESPACE_HTML) return false;
  if (IsScriptWithEscapedText(element)) return true;
  for (const GumboTag nested : {GUMBO_TAG_A, GUMBO_TAG_NOBR, GUMBO_TAG_FORM}) {
    if (element.v.element.tag == nested && HasHtmlAncestor(element, nested)) return true;
  }
  if (ClosesParagraph(element.v.element.tag, quirks) && IsInOpenParagraph(element)) return true;
  if (IsInOpenListItem(element)) return true;
  if (IsHeading(element) && element.parent != nullptr && IsHeading(*element.parent)) return true;
  const GumboNode* parent = element.parent;
  return parent != nullptr && parent->type == GUMBO_NODE_ELEMENT &&
         parent->v.element.tag_namespace != GUMBO_NAMESPACE_HTML && !IsIntegrationPoint(parent->v.element);
}

bool HasElementMarkupCannotReproduce(const HtmlDocument& document) {
  const GumboNode* root = document.DocumentElement().Node();
  const bool quirks = root->parent->v.document.doc_type_quirks_mode == GUMBO_DOCTYPE_QUIRKS;
  std::vector<const GumboNode*> pending{root};
  while (!pending.empty()) {
    const GumboNode* node = pending.back();
    pending.pop_back();
    if (node->type != GUMBO_NODE_ELEMENT && node->type != GUMBO_NODE_TEMPLATE) continue;
    if (MarkupCannotReproduce(*node, quirks)) return true;
    const GumboVector& children = node->v.element.children;
    for (unsigned i = 0; i < children.length; ++i) pending.push_back(static_cast<const GumboNode*>(children.data[i]));
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string text = DecodePageToUtf8(std::string_view(reinterpret_cast<const char*>(data), size));
  text.resize(text.find('\0') == std::string::npos ? text.size() : text.find('\0'));

  HtmlDocument document;
  document.Load(text);
  EditReferences(document, document.Images(), "src");
  EditReferences(document, document.Scripts(), "src");
  for (const char* tag : {"link", "body", "BASE", "svg", "template", "x-custom"}) {
    EditReferences(document, document.ElementsByTagName(tag), "href");
  }
  std::string markup = Markup(document);
  bool reproducible = !HoldsCodePointReadBackChanged(markup) && !HasElementMarkupCannotReproduce(document);
  for (int round = 0; round < kMaxRounds; ++round) {
    HtmlDocument reread;
    reread.Load(markup);
    std::string again = Markup(reread);
    if (reproducible) {
      RequireSameText(markup, again, "serialized markup reads back as itself");
      break;
    }
    reproducible = !HoldsCodePointReadBackChanged(again) && !HasElementMarkupCannotReproduce(reread);
    markup = std::move(again);
  }
  return 0;
}
