#pragma once

#include <gumbo.h>

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string_view>
#include <vector>

#include "engine/html_tag_scanner.h"

enum class ElementNamespace : std::uint8_t { kHtml, kSvg, kMathMl };

// Where the nearest table-related open element puts the tree builder.
// kTemplateTable: a template whose first start tag made its content a table's.
enum class TableContext : std::uint8_t {
  kNone, kTable, kTableBody, kRow, kCell, kCaption, kSelect, kSelectInTable, kTemplate, kTemplateTable
};

// How a template's content is read, which its first start tag decides.
enum class TemplateContent : std::uint8_t { kUndecided, kBody, kTable, kTableBody, kRow, kColumnGroup };

// One open element as the model keeps it. `context` and `pInButtonScope`
// describe the stack from this element down, so that the questions asked for
// every token need no walk down the stack; only elements that change neither
// are ever moved or taken out of the middle.
struct OpenElement {
  GumboTag tag = GUMBO_TAG_UNKNOWN;
  ElementNamespace ns = ElementNamespace::kHtml;
  std::uint64_t nameHash = 0;      // lower-case name; foreign end tags match by name
  std::uint32_t formattingId = 0;  // its entry in the list of active formatting elements, 0 when none
  bool htmlIntegrationPoint = false;  // MathML annotation-xml holding HTML
  TableContext context = TableContext::kNone;  // of the nearest table-related element here or below
  bool pInButtonScope = false;     // a p element is open in button scope here
  TemplateContent templateContent = TemplateContent::kUndecided;  // a template's
};

// The tree builder's stack of open elements and list of active formatting
// elements (WHATWG HTML, "tree construction"), followed token by token
// without building a tree, as gumbo keeps them. It tells how deep the stack
// grows, how often formatting elements are reopened and how much comparing
// of attributes the list costs: the work of gumbo's tree builder that grows
// faster than the page.
//
// Where the model is not exact it keeps more elements open than gumbo, never
// fewer: an adoption-agency move keeps what it would remove, a table keeps a
// paragraph open as in quirks mode. The fuzz target html_cost_guard_fuzzer
// holds it to that against gumbo's trees. Head and body and the insertion
// modes before them are not followed: gumbo's html and body elements are
// counted in Depth().
class OpenElementsModel {
 public:
  // Handles a start tag; what the tokenizer reads next when it is an
  // element with text content.
  std::optional<TextContent> StartTag(const ScannedToken& tag);
  void EndTag(const ScannedToken& tag);
  void Text(bool whitespaceOnly);
  void Cdata();
  void Comment() { m_cdataInTableText = false; }

  // The current node is foreign, so the tokenizer reads CDATA sections.
  bool CurrentNodeIsForeign() const;
  // Open elements, html and body included.
  std::size_t Depth() const { return m_stack.size() + 2; }
  std::size_t FormattingEntries() const { return m_formatting.size(); }
  // Elements made again by reconstructing the active formatting elements.
  std::uint64_t Reopened() const { return m_reopened; }
  // Attribute comparisons of the list's rule of three identical entries,
  // counted as the bytes of the names compared.
  std::uint64_t AttributeMatchWork() const { return m_attributeMatchWork; }
  // gumbo cannot be followed, or would stop the process on one of its own
  // consistency checks: see Unreadable in html_cost_guard.h.
  bool Unreadable() const { return m_unreadable; }

 private:
  using Element = OpenElement;
  using Namespace = ElementNamespace;

  struct FormattingEntry {
    std::uint32_t id;              // 0 for a scope marker
    GumboTag tag;
    std::uint64_t attributesKey;   // the attributes as a set
    std::size_t attributeCount;
    std::uint64_t attributeBytes;  // the lengths of their names, each plus a constant
    bool onStack;
  };

  bool UsesHtmlRules(ScannedToken::Kind kind, GumboTag id) const;
  std::optional<TextContent> StartTagContent(const ScannedToken& tag);
  std::optional<TextContent> HtmlStartTag(const ScannedToken& tag, GumboTag id);
  std::optional<TextContent> BodyStartTag(const ScannedToken& tag, GumboTag id);
  bool TableStartTag(const ScannedToken& tag, GumboTag id);
  void TemplateTableStartTag(const ScannedToken& tag, GumboTag id);
  static void DecideTemplateContent(Element& element, GumboTag id);
  void SelectStartTag(const ScannedToken& tag, GumboTag id);
  void ForeignStartTag(const ScannedToken& tag, GumboTag id);
  void HtmlEndTag(GumboTag id);
  bool TableEndTag(GumboTag id);
  void AnyOtherEndTag(GumboTag id);
  void AdoptionAgency(GumboTag id);

  void Push(const ScannedToken& tag, GumboTag id, Namespace ns);
  void PushImplied(GumboTag id);
  void PushElement(Element element);
  // `element` with the fields that describe the stack below `position`.
  Element Placed(Element element, std::size_t position) const;
  void Pop();
  void PopThrough(std::size_t index);
  void PopUntilTopIs(std::initializer_list<GumboTag> tags);
  void EraseAt(std::size_t index);
  void Forget(const Element& element);
  void ClosePInButtonScope();
  void GenerateImpliedEndTags(GumboTag except);
  void CloseCell();
  void CloseTemplate();

  void AddFormatting(std::size_t stackIndex, const ScannedToken& tag);
  void AddMarker();
  void ClearFormattingToMarker();
  void Reconstruct();
  std::optional<std::size_t> LastFormatting(GumboTag id) const;
  std::optional<std::size_t> FormattingIndex(std::uint32_t id) const;
  std::optional<std::size_t> StackIndex(std::uint32_t formattingId) const;
  void RemoveFormatting(std::size_t listIndex);

  TableContext CurrentTableContext() const;
  std::optional<std::size_t> TopMost(GumboTag id) const;
  bool InScope(GumboTag id, bool (*boundary)(const Element&)) const;
  bool HasTemplate() const { return m_templates > 0; }
  const Element* Top() const { return m_stack.empty() ? nullptr : &m_stack.back(); }
  bool TopIsHtml(GumboTag id) const;

  std::vector<Element> m_stack;               // bottom first; html and body are not kept
  std::vector<FormattingEntry> m_formatting;  // oldest first
  std::uint32_t m_nextFormattingId = 1;
  std::size_t m_templates = 0;                // HTML template elements on m_stack
  bool m_formPointer = false;                 // the tree builder's form element pointer is set
  bool m_inText = false;                      // the current node's content is being read as text
  bool m_cdataInTableText = false;            // CDATA characters wait in a table's pending text
  bool m_unreadable = false;
  std::uint64_t m_reopened = 0;
  std::uint64_t m_attributeMatchWork = 0;
};
