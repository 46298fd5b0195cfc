#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct lxb_dom_node;

// A handle to one element of an HtmlDocument; valid until the next Load.
// A default-constructed handle is null: using it raises ConvertError
// kMissingElement.
class HtmlElement {
 public:
  HtmlElement() = default;
  explicit HtmlElement(lxb_dom_node* node) : m_node(node) {}
  bool IsNull() const { return m_node == nullptr; }
  lxb_dom_node* Node() const { return m_node; }  // not owned

 private:
  lxb_dom_node* m_node = nullptr;
};

// The page as a document tree: parsed from UTF-8 text, walked in document
// order, attributes read and rewritten, serialized back to markup.
class HtmlDocument {
 public:
  HtmlDocument();
  ~HtmlDocument();
  HtmlDocument(const HtmlDocument&) = delete;
  HtmlDocument& operator=(const HtmlDocument&) = delete;

  // Parses `utf8Text`, replacing any earlier content.
  void Load(std::string_view utf8Text);

  std::vector<HtmlElement> Images() const;
  std::vector<HtmlElement> Scripts() const;
  // Tag names compare without regard to ASCII case, unknown tags included.
  std::vector<HtmlElement> ElementsByTagName(std::string_view tagName) const;
  // Elements of the SVG namespace with this tag name, ASCII case ignored.
  std::vector<HtmlElement> SvgElementsByTagName(std::string_view tagName) const;
  // Elements that carry the attribute, its name compared without regard to
  // ASCII case.
  std::vector<HtmlElement> ElementsWithAttribute(std::string_view name) const;
  // The root element; raises ConvertError kMissingElement when there is none.
  HtmlElement DocumentElement() const;

  // The attribute's value with character references decoded; nothing when
  // the element lacks it.
  std::optional<std::string> GetAttribute(HtmlElement element, std::string_view name) const;
  // Sets an existing attribute or adds a new one; later markup shows it.
  void SetAttribute(HtmlElement element, std::string_view name, std::string_view value);

  // The element's text children joined, as the parser read them (a style
  // element's stylesheet); the text SetText gave it once it has one.
  std::string Text(HtmlElement element) const;
  // Replaces the element's children by `text` in later markup. False, and
  // nothing changed, when the element is one whose text is written raw
  // (style, script) and the text holds what would end it early.
  bool SetText(HtmlElement element, std::string_view text);

  // The element's markup ("serializing HTML fragments", outer form), UTF-8.
  std::string OuterHtml(HtmlElement element) const;
  // "<!DOCTYPE ...>" of the page, empty when it has none.
  std::string DoctypeMarkup() const;
  // The doctype, then the root element's markup: the page as an archive
  // stores it, in the rendering mode of the original. Raises ConvertError
  // kMissingElement when there is no root element.
  std::string PageMarkup() const;
  // Gives up the tree and keeps only `pageMarkup`, what PageMarkup gave:
  // PageMarkup gives it from then on, until the next Load, while the
  // document is otherwise empty. The tree takes many times the memory of its
  // markup.
  void KeepOnlyMarkup(std::string pageMarkup);

 private:
  struct Tree;

  // The elements with this tag name (ASCII case ignored) that `wanted` accepts, in document order.
  std::vector<HtmlElement> Collect(std::string_view tagName,
                                   const std::function<bool(const lxb_dom_node&)>& wanted) const;
  static std::vector<HtmlElement> Select(const std::vector<lxb_dom_node*>& nodes,
                                         const std::function<bool(const lxb_dom_node&)>& wanted);
  // The element's node; raises ConvertError kMissingElement for a null
  // handle, kUnusableMarkup for a node that is not an element.
  const lxb_dom_node& ElementNode(HtmlElement element) const;

  std::unique_ptr<Tree> m_tree;             // owned; null before the first Load and after KeepOnlyMarkup
  std::optional<std::string> m_keptMarkup;  // set by KeepOnlyMarkup
};
