// A page goes through the document layer as the engine uses it: decoded,
// loaded, listed, an attribute rewritten, serialized. The serialized markup
// must read back as itself: parsing it and serializing again gives the same
// text, or the archive's page would differ from what the engine saw.
//
// Some trees no markup can reproduce through the parser: a character
// reference that yields CR, a control or a noncharacter (read back as LF or
// U+FFFD); elements the parser nests where markup cannot (a in a, nobr in
// nobr, form in form, select in select by table foster parenting, a heading
// straight inside a heading); a block that table foster parenting put into a
// paragraph or a list item into a list item (their start tags would close
// it); an HTML element the parser puts straight into SVG or MathML outside an
// integration point (markup for it breaks out of the foreign element); a
// script whose text holds "<!--" (the page may have ended inside it in a
// state where "</script>" does not close it); an attribute name with "=" after
// its first character or a character that ends a name in markup; and a tree
// about as deep as the parser nests at all. The engine's own round-trip tests
// list the first two kinds. Such a tree's markup is read back once more, and
// the check applies to the first tree that has none of them.
#include <lexbor/dom/interfaces/character_data.h>
#include <lexbor/dom/interfaces/document.h>
#include <lexbor/dom/interfaces/element.h>
#include <lexbor/ns/const.h>
#include <lexbor/tag/const.h>
#include <strings.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/html_document.h"
#include "engine/html_names.h"
#include "engine/html_tree_walk.h"
#include "engine/page_decoding.h"
#include "fuzz/fuzz_check.h"

namespace {

// Enough elements to cover every path without making large inputs slow.
constexpr std::size_t kEditedElements = 64;

std::string Markup(const HtmlDocument& document) { return document.PageMarkup(); }

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

// The code points the parser turns into U+FFFD when they stand in the page
// literally, and CR, which every parser turns into LF.
bool ReadsBackChanged(char32_t c) {
  return c == 0x0D || (c >= 0x01 && c <= 0x08) || c == 0x0B || (c >= 0x0E && c <= 0x1F) || (c >= 0x7F && c <= 0x9F) ||
         (c >= 0xFDD0 && c <= 0xFDEF) || (c & 0xFFFE) == 0xFFFE;
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

bool IsHtml(const lxb_dom_node_t& node, lxb_tag_id_t tag) { return IsHtmlElement(node, tag); }

// The tag's id; a tag the parser does not know has an id past its table.
lxb_tag_id_t TagOf(const lxb_dom_node_t& node) {
  return node.local_name >= LXB_TAG__LAST_ENTRY ? LXB_TAG__UNDEF : node.local_name;
}

bool HasHtmlAncestor(const lxb_dom_node_t& node, lxb_tag_id_t tag) {
  for (const lxb_dom_node_t* up = node.parent; up != nullptr; up = up->parent) {
    if (IsHtml(*up, tag)) return true;
  }
  return false;
}

// Start tags that close an open paragraph unless a scope boundary lies
// between; a table does so only outside quirks mode.
bool ClosesParagraph(lxb_tag_id_t tag, bool quirks) {
  switch (tag) {
    case LXB_TAG_TABLE: return !quirks;
    case LXB_TAG_ADDRESS:
    case LXB_TAG_ARTICLE:
    case LXB_TAG_ASIDE:
    case LXB_TAG_BLOCKQUOTE:
    case LXB_TAG_CENTER:
    case LXB_TAG_DETAILS:
    case LXB_TAG_DIR:
    case LXB_TAG_DIV:
    case LXB_TAG_DL:
    case LXB_TAG_FIELDSET:
    case LXB_TAG_FIGCAPTION:
    case LXB_TAG_FIGURE:
    case LXB_TAG_FOOTER:
    case LXB_TAG_HEADER:
    case LXB_TAG_HGROUP:
    case LXB_TAG_MAIN:
    case LXB_TAG_MENU:
    case LXB_TAG_NAV:
    case LXB_TAG_OL:
    case LXB_TAG_P:
    case LXB_TAG_SECTION:
    case LXB_TAG_SUMMARY:
    case LXB_TAG_UL:
    case LXB_TAG_H1:
    case LXB_TAG_H2:
    case LXB_TAG_H3:
    case LXB_TAG_H4:
    case LXB_TAG_H5:
    case LXB_TAG_H6:
    case LXB_TAG_PRE:
    case LXB_TAG_LISTING:
    case LXB_TAG_FORM:
    case LXB_TAG_PLAINTEXT:
    case LXB_TAG_LI:
    case LXB_TAG_DD:
    case LXB_TAG_DT:
    case LXB_TAG_HR:
    case LXB_TAG_XMP: return true;
    default: return false;
  }
}

bool IsButtonScopeBoundary(const lxb_dom_node_t& node) {
  if (!IsElement(node)) return true;
  if (node.ns != LXB_NS_HTML) return true;
  switch (TagOf(node)) {
    case LXB_TAG_APPLET:
    case LXB_TAG_CAPTION:
    case LXB_TAG_HTML:
    case LXB_TAG_TABLE:
    case LXB_TAG_TD:
    case LXB_TAG_TH:
    case LXB_TAG_MARQUEE:
    case LXB_TAG_OBJECT:
    case LXB_TAG_TEMPLATE:
    case LXB_TAG_BUTTON: return true;
    default: return false;
  }
}

bool IsInOpenParagraph(const lxb_dom_node_t& element) {
  for (const lxb_dom_node_t* up = element.parent; up != nullptr && !IsButtonScopeBoundary(*up); up = up->parent) {
    if (IsHtml(*up, LXB_TAG_P)) return true;
  }
  return false;
}

// The elements that end the search for an open list item to close; address,
// div and p are passed over.
bool IsSpecial(const lxb_dom_node_t& node) {
  if (!IsElement(node)) return true;
  if (node.ns != LXB_NS_HTML) return true;
  switch (TagOf(node)) {
    case LXB_TAG_A:
    case LXB_TAG_B:
    case LXB_TAG_BIG:
    case LXB_TAG_CODE:
    case LXB_TAG_EM:
    case LXB_TAG_FONT:
    case LXB_TAG_I:
    case LXB_TAG_NOBR:
    case LXB_TAG_S:
    case LXB_TAG_SMALL:
    case LXB_TAG_STRIKE:
    case LXB_TAG_STRONG:
    case LXB_TAG_TT:
    case LXB_TAG_U:
    case LXB_TAG_SPAN:
    case LXB_TAG__UNDEF:
    case LXB_TAG_ADDRESS:
    case LXB_TAG_DIV:
    case LXB_TAG_P: return false;
    default: return true;
  }
}

bool IsInOpenListItem(const lxb_dom_node_t& element) {
  const lxb_tag_id_t tag = TagOf(element);
  const bool definition = tag == LXB_TAG_DD || tag == LXB_TAG_DT;
  if (tag != LXB_TAG_LI && !definition) return false;
  for (const lxb_dom_node_t* up = element.parent; up != nullptr; up = up->parent) {
    if (definition ? IsHtml(*up, LXB_TAG_DD) || IsHtml(*up, LXB_TAG_DT) : IsHtml(*up, LXB_TAG_LI)) return true;
    if (IsSpecial(*up)) return false;
  }
  return false;
}

bool IsIntegrationPoint(const lxb_dom_node_t& element) {
  switch (TagOf(element)) {
    case LXB_TAG_FOREIGNOBJECT:
    case LXB_TAG_DESC:
    case LXB_TAG_TITLE: return element.ns == LXB_NS_SVG;
    case LXB_TAG_MI:
    case LXB_TAG_MO:
    case LXB_TAG_MN:
    case LXB_TAG_MS:
    case LXB_TAG_MTEXT: return element.ns == LXB_NS_MATH;
    case LXB_TAG_ANNOTATION_XML: {
      std::size_t length = 0;
      const lxb_char_t* value =
          lxb_dom_element_get_attribute(lxb_dom_interface_element(const_cast<lxb_dom_node_t*>(&element)),
                                        reinterpret_cast<const lxb_char_t*>("encoding"), 8, &length);
      const std::string encoding = value == nullptr ? "" : std::string(reinterpret_cast<const char*>(value), length);
      return element.ns == LXB_NS_MATH && value != nullptr &&
             (strcasecmp(encoding.c_str(), "text/html") == 0 ||
              strcasecmp(encoding.c_str(), "application/xhtml+xml") == 0);
    }
    default: return false;
  }
}

bool IsScriptWithEscapedText(const lxb_dom_node_t& element) {
  if (!IsHtml(element, LXB_TAG_SCRIPT)) return false;
  for (const lxb_dom_node_t* child = element.first_child; child != nullptr; child = child->next) {
    if (child->type != LXB_DOM_NODE_TYPE_TEXT) continue;
    const lexbor_str_t& data = lxb_dom_interface_character_data(child)->data;
    const std::string_view text(reinterpret_cast<const char*>(data.data), data.length);
    if (text.find("<!--") != std::string_view::npos) return true;
  }
  return false;
}

bool HasAttributeNameMarkupCannotWrite(const lxb_dom_node_t& element) {
  for (const lxb_dom_attr_t* attribute = lxb_dom_interface_element(&element)->first_attr; attribute != nullptr;
       attribute = attribute->next) {
    const std::string_view name = AttributeQualifiedName(*attribute);
    if (name.find_first_of("\t\n\f\r />") != std::string_view::npos || name.find('=', 1) != std::string_view::npos) {
      return true;
    }
  }
  return false;
}

bool IsHeading(const lxb_dom_node_t& node) {
  if (!IsElement(node) || node.ns != LXB_NS_HTML) return false;
  switch (TagOf(node)) {
    case LXB_TAG_H1:
    case LXB_TAG_H2:
    case LXB_TAG_H3:
    case LXB_TAG_H4:
    case LXB_TAG_H5:
    case LXB_TAG_H6: return true;
    default: return false;
  }
}

bool MarkupCannotReproduce(const lxb_dom_node_t& element, bool quirks) {
  if (HasAttributeNameMarkupCannotWrite(element)) return true;
  if (element.ns != LXB_NS_HTML) return false;
  if (IsScriptWithEscapedText(element)) return true;
  for (const lxb_tag_id_t nested : {LXB_TAG_A, LXB_TAG_NOBR, LXB_TAG_FORM, LXB_TAG_SELECT}) {
    if (TagOf(element) == nested && HasHtmlAncestor(element, nested)) return true;
  }
  if (ClosesParagraph(TagOf(element), quirks) && IsInOpenParagraph(element)) return true;
  if (IsInOpenListItem(element)) return true;
  if (IsHeading(element) && element.parent != nullptr && IsHeading(*element.parent)) return true;
  const lxb_dom_node_t* parent = element.parent;
  return parent != nullptr && IsElement(*parent) && parent->ns != LXB_NS_HTML && !IsIntegrationPoint(*parent);
}

// Past 512 open elements the parser stops nesting, so near that depth markup
// that misnests elements may not build again the tree it was written from.
constexpr std::size_t kFlattenedDepth = 500;

bool HasElementMarkupCannotReproduce(const HtmlDocument& document) {
  const lxb_dom_node_t* root = document.DocumentElement().Node();
  const bool quirks = root->owner_document->compat_mode == LXB_DOM_DOCUMENT_CMODE_QUIRKS;
  std::vector<std::pair<const lxb_dom_node_t*, std::size_t>> pending{{root, 1}};
  while (!pending.empty()) {
    const auto [node, depth] = pending.back();
    pending.pop_back();
    if (!IsElement(*node)) continue;
    if (depth >= kFlattenedDepth || MarkupCannotReproduce(*node, quirks)) return true;
    for (const lxb_dom_node_t* child = FirstChildOf(*node); child != nullptr; child = child->next) {
      pending.emplace_back(child, depth + 1);
    }
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
