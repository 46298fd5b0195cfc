#include "engine/html_document.h"

#include <gumbo.h>

#include <algorithm>
#include <new>

#include "engine/html_attribute_edits.h"
#include "engine/html_deep_stack.h"
#include "engine/html_error.h"
#include "engine/html_gumbo_arena.h"
#include "engine/html_names.h"
#include "engine/html_serializer.h"
#include "engine/html_text_decoding.h"
#include "engine/html_text_edits.h"
#include "engine/html_tree_walk.h"

namespace {

// gumbo frees a subtree by recursing once per nesting level, about 32 bytes
// of stack a level, and does so while parsing when a frameset start tag
// discards the body built so far. Every level needs a '<' in the page, so
// twice that per '<' above a floor for gumbo's ordinary needs is always
// enough. The stack is reserved address space; only what is used is touched.
constexpr std::size_t kStackFloorBytes = std::size_t{16} << 20;
constexpr std::size_t kStackBytesPerTag = 64;

std::size_t StackBytesFor(std::string_view text) {
  return kStackFloorBytes + kStackBytesPerTag * static_cast<std::size_t>(std::count(text.begin(), text.end(), '<'));
}

GumboOptions ParseOptions() {
  GumboOptions options = kGumboDefaultOptions;
  // gumbo copies the stack of open elements into each parse error it records,
  // so a page of many unclosed nested elements would take memory quadratic in
  // its depth. The errors are never read.
  options.max_errors = 0;
  return options;
}

// An attribute name that markup can carry: no space, quote, '/', '=' or '>'.
bool IsWritableAttributeName(std::string_view name) {
  return !name.empty() && std::none_of(name.begin(), name.end(), [](char c) {
    return c == '\0' || c == '\t' || c == '\n' || c == '\f' || c == '\r' || c == ' ' || c == '"' || c == '\'' ||
           c == '/' || c == '=' || c == '>';
  });
}

}  // namespace

struct HtmlDocument::Tree {
  explicit Tree(std::string_view text);

  std::string source;  // gumbo's tree points into it
  GumboArena arena;    // owns all of gumbo's memory, the tree included
  GumboOutput* output = nullptr;
  AttributeEdits edits;
  TextEdits texts;
};

HtmlDocument::Tree::Tree(std::string_view text) : source(text) {
  GumboOptions options = ParseOptions();
  arena.Install(options);
  const bool ran = RunOnDeepStack(StackBytesFor(text), [&] {
    arena.Parse([&] { output = gumbo_parse_with_options(&options, source.data(), source.size()); });
  });
  // No thread could be started with the stack the parse needs: memory ran out.
  if (!ran) throw std::bad_alloc();
  if (output == nullptr) throw HtmlError(HtmlError::kFail, "the page could not be parsed");
}

HtmlDocument::HtmlDocument() = default;

HtmlDocument::~HtmlDocument() = default;

void HtmlDocument::Load(std::string_view utf8Text) {
  m_tree.reset();
  m_keptMarkup.reset();
  m_tree = std::make_unique<Tree>(utf8Text);
}

std::vector<HtmlElement> HtmlDocument::Images() const {
  return Collect([](const GumboNode& node) { return IsHtmlElement(node, GUMBO_TAG_IMG); });
}

std::vector<HtmlElement> HtmlDocument::Scripts() const {
  return Collect([](const GumboNode& node) { return IsHtmlElement(node, GUMBO_TAG_SCRIPT); });
}

std::vector<HtmlElement> HtmlDocument::ElementsByTagName(std::string_view tagName) const {
  return Collect(
      [tagName](const GumboNode& node) { return EqualsIgnoringAsciiCase(RawTagName(node.v.element), tagName); });
}

std::vector<HtmlElement> HtmlDocument::SvgElementsByTagName(std::string_view tagName) const {
  return Collect([tagName](const GumboNode& node) {
    return node.v.element.tag_namespace == GUMBO_NAMESPACE_SVG &&
           EqualsIgnoringAsciiCase(RawTagName(node.v.element), tagName);
  });
}

std::vector<HtmlElement> HtmlDocument::ElementsWithAttribute(std::string_view name) const {
  if (!m_tree) return {};
  return Collect([this, name](const GumboNode& node) { return m_tree->edits.Has(node, name); });
}

HtmlElement HtmlDocument::DocumentElement() const {
  if (!m_tree || m_tree->output->root == nullptr) throw HtmlError(HtmlError::kPointer, "the document has no root");
  return HtmlElement(m_tree->output->root);
}

std::optional<std::string> HtmlDocument::GetAttribute(HtmlElement element, std::string_view name) const {
  return m_tree->edits.Value(ElementNode(element), name);
}

void HtmlDocument::SetAttribute(HtmlElement element, std::string_view name, std::string_view value) {
  const GumboNode& node = ElementNode(element);
  if (!IsWritableAttributeName(name)) throw HtmlError(HtmlError::kFail, "not a valid attribute name");
  m_tree->edits.Set(node, name, value);
}

std::string HtmlDocument::Text(HtmlElement element) const {
  const GumboNode& node = ElementNode(element);
  if (const std::string* edited = m_tree->texts.Text(node)) return *edited;
  std::string text;
  const GumboVector& children = node.v.element.children;
  for (unsigned int i = 0; i < children.length; ++i) {
    const auto* child = static_cast<const GumboNode*>(children.data[i]);
    if (child->type != GUMBO_NODE_TEXT && child->type != GUMBO_NODE_WHITESPACE && child->type != GUMBO_NODE_CDATA) {
      continue;
    }
    std::string repaired;
    text += WellFormedUtf8(child->v.text.text, repaired);
  }
  return text;
}

bool HtmlDocument::SetText(HtmlElement element, std::string_view text) {
  const GumboNode& node = ElementNode(element);
  if (EndsRawTextEarly(node, text)) return false;
  m_tree->texts.Set(node, text);
  return true;
}

std::string HtmlDocument::OuterHtml(HtmlElement element) const {
  return SerializeOuterHtml(ElementNode(element), m_tree->edits, m_tree->texts);
}

std::string HtmlDocument::DoctypeMarkup() const {
  if (!m_tree) return {};
  return SerializeDoctype(m_tree->output->document->v.document);
}

std::string HtmlDocument::PageMarkup() const {
  if (m_keptMarkup) return *m_keptMarkup;
  return DoctypeMarkup() + OuterHtml(DocumentElement());
}

void HtmlDocument::KeepOnlyMarkup(std::string pageMarkup) {
  m_tree.reset();
  m_keptMarkup = std::move(pageMarkup);
}

std::vector<HtmlElement> HtmlDocument::Collect(const std::function<bool(const GumboNode&)>& wanted) const {
  std::vector<HtmlElement> elements;
  if (!m_tree) return elements;
  for (GumboNode* node : CollectElements(m_tree->output->root, wanted)) elements.emplace_back(node);
  return elements;
}

const GumboNode& HtmlDocument::ElementNode(HtmlElement element) const {
  if (element.IsNull() || !m_tree) throw HtmlError(HtmlError::kPointer, "a null element was used");
  if (!IsElement(*element.Node())) throw HtmlError(HtmlError::kFail, "the item is not an element");
  return *element.Node();
}
