#include "engine/html_document.h"

#include <lexbor/dom/interfaces/character_data.h>
#include <lexbor/html/interfaces/document.h>
#include <lexbor/html/parser.h>

#include <algorithm>
#include <new>
#include <string>
#include <unordered_map>
#include <vector>

#include "base/convert_error.h"
#include "engine/html_attribute_edits.h"
#include "engine/html_names.h"
#include "engine/html_serializer.h"
#include "engine/html_text_decoding.h"
#include "engine/html_text_edits.h"
#include "engine/html_tree_walk.h"

namespace {

// An attribute name that markup can carry: no space, quote, '/', '=' or '>'.
bool IsWritableAttributeName(std::string_view name) {
  return !name.empty() && std::none_of(name.begin(), name.end(), [](char c) {
    return c == '\0' || c == '\t' || c == '\n' || c == '\f' || c == '\r' || c == ' ' || c == '"' || c == '\'' ||
           c == '/' || c == '=' || c == '>';
  });
}

struct DocumentDeleter {
  void operator()(lxb_html_document_t* document) const { lxb_html_document_destroy(document); }
};

}  // namespace

struct HtmlDocument::Tree {
  explicit Tree(std::string_view text);

  // One arena holds the whole tree; it goes in one step, whatever the depth.
  std::unique_ptr<lxb_html_document_t, DocumentDeleter> document;
  AttributeEdits edits;
  TextEdits texts;
  // Every element in document order, and the same by lower-case tag name.
  // Parsing is the last change to the tree's shape, so one walk serves
  // every look-up a conversion makes.
  std::vector<lxb_dom_node_t*> elements;
  std::unordered_map<std::string, std::vector<lxb_dom_node_t*>> elementsByTag;
};

HtmlDocument::Tree::Tree(std::string_view text) : document(lxb_html_document_create()) {
  if (!document) throw std::bad_alloc();
  // The parser takes its input as UTF-8 and does not check it.
  std::string repaired;
  const std::string_view utf8 = WellFormedUtf8(text, repaired);
  const lxb_status_t status =
      lxb_html_document_parse(document.get(), reinterpret_cast<const lxb_char_t*>(utf8.data()), utf8.size());
  if (status == LXB_STATUS_ERROR_MEMORY_ALLOCATION) throw std::bad_alloc();
  if (status != LXB_STATUS_OK) throw ConvertError(ConvertReason::kUnusableMarkup, "the page could not be parsed");
  lxb_dom_element_t* root = lxb_dom_document_element(lxb_dom_interface_document(document.get()));
  if (root == nullptr) return;
  elements = CollectElements(lxb_dom_interface_node(root));
  for (lxb_dom_node_t* node : elements) elementsByTag[AsciiLower(RawTagName(*node))].push_back(node);
}

HtmlDocument::HtmlDocument() = default;

HtmlDocument::~HtmlDocument() = default;

void HtmlDocument::Load(std::string_view utf8Text) {
  m_tree.reset();
  m_keptMarkup.reset();
  m_tree = std::make_unique<Tree>(utf8Text);
}

std::vector<HtmlElement> HtmlDocument::Images() const {
  return Collect("img", [](const lxb_dom_node_t& node) { return IsHtmlElement(node, LXB_TAG_IMG); });
}

std::vector<HtmlElement> HtmlDocument::Scripts() const {
  return Collect("script", [](const lxb_dom_node_t& node) { return IsHtmlElement(node, LXB_TAG_SCRIPT); });
}

std::vector<HtmlElement> HtmlDocument::ElementsByTagName(std::string_view tagName) const {
  return Collect(tagName, [](const lxb_dom_node_t&) { return true; });
}

std::vector<HtmlElement> HtmlDocument::SvgElementsByTagName(std::string_view tagName) const {
  return Collect(tagName, [](const lxb_dom_node_t& node) { return node.ns == LXB_NS_SVG; });
}

std::vector<HtmlElement> HtmlDocument::ElementsWithAttribute(std::string_view name) const {
  if (!m_tree) return {};
  return Select(m_tree->elements, [this, name](const lxb_dom_node_t& node) { return m_tree->edits.Has(node, name); });
}

HtmlElement HtmlDocument::DocumentElement() const {
  if (!m_tree) throw ConvertError(ConvertReason::kMissingElement, "the document has no root");
  lxb_dom_element_t* root = lxb_dom_document_element(lxb_dom_interface_document(m_tree->document.get()));
  if (root == nullptr) throw ConvertError(ConvertReason::kMissingElement, "the document has no root");
  return HtmlElement(lxb_dom_interface_node(root));
}

std::optional<std::string> HtmlDocument::GetAttribute(HtmlElement element, std::string_view name) const {
  return m_tree->edits.Value(ElementNode(element), name);
}

void HtmlDocument::SetAttribute(HtmlElement element, std::string_view name, std::string_view value) {
  const lxb_dom_node_t& node = ElementNode(element);
  if (!IsWritableAttributeName(name)) throw ConvertError(ConvertReason::kUnusableMarkup, "not a valid attribute name");
  m_tree->edits.Set(node, name, value);
}

std::string HtmlDocument::Text(HtmlElement element) const {
  const lxb_dom_node_t& node = ElementNode(element);
  if (const std::string* edited = m_tree->texts.Text(node)) return *edited;
  std::string text;
  for (const lxb_dom_node_t* child = FirstChildOf(node); child != nullptr; child = child->next) {
    if (child->type != LXB_DOM_NODE_TYPE_TEXT && child->type != LXB_DOM_NODE_TYPE_CDATA_SECTION) continue;
    const lexbor_str_t& data = lxb_dom_interface_character_data(child)->data;
    if (data.data != nullptr) text.append(reinterpret_cast<const char*>(data.data), data.length);
  }
  return text;
}

bool HtmlDocument::SetText(HtmlElement element, std::string_view text) {
  const lxb_dom_node_t& node = ElementNode(element);
  if (EndsRawTextEarly(node, text)) return false;
  m_tree->texts.Set(node, text);
  return true;
}

std::string HtmlDocument::OuterHtml(HtmlElement element) const {
  return SerializeOuterHtml(ElementNode(element), m_tree->edits, m_tree->texts);
}

std::string HtmlDocument::DoctypeMarkup() const {
  if (!m_tree) return {};
  return SerializeDoctype(*lxb_dom_interface_document(m_tree->document.get()));
}

std::string HtmlDocument::PageMarkup() const {
  if (m_keptMarkup) return *m_keptMarkup;
  return DoctypeMarkup() + OuterHtml(DocumentElement());
}

void HtmlDocument::KeepOnlyMarkup(std::string pageMarkup) {
  m_tree.reset();
  m_keptMarkup = std::move(pageMarkup);
}

std::vector<HtmlElement> HtmlDocument::Collect(std::string_view tagName,
                                               const std::function<bool(const lxb_dom_node_t&)>& wanted) const {
  if (!m_tree) return {};
  const auto named = m_tree->elementsByTag.find(AsciiLower(tagName));
  if (named == m_tree->elementsByTag.end()) return {};
  return Select(named->second, wanted);
}

std::vector<HtmlElement> HtmlDocument::Select(const std::vector<lxb_dom_node_t*>& nodes,
                                              const std::function<bool(const lxb_dom_node_t&)>& wanted) {
  std::vector<HtmlElement> elements;
  for (lxb_dom_node_t* node : nodes) {
    if (wanted(*node)) elements.emplace_back(node);
  }
  return elements;
}

const lxb_dom_node_t& HtmlDocument::ElementNode(HtmlElement element) const {
  if (element.IsNull() || !m_tree) throw ConvertError(ConvertReason::kMissingElement, "a null element was used");
  if (!IsElement(*element.Node())) throw ConvertError(ConvertReason::kUnusableMarkup, "the item is not an element");
  return *element.Node();
}
