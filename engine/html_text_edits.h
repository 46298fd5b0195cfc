#pragma once

#include <lexbor/dom/interfaces/node.h>

#include <string>
#include <string_view>
#include <unordered_map>

// Element text set after parsing, kept beside the parsed tree as
// AttributeEdits keeps attribute values. An element with an edit holds that
// text in place of all its children.
class TextEdits {
 public:
  // The text set for `element`; null when it has none.
  const std::string* Text(const lxb_dom_node_t& element) const;
  void Set(const lxb_dom_node_t& element, std::string_view text);

 private:
  std::unordered_map<const lxb_dom_node_t*, std::string> m_texts;  // owned texts, keyed by element
};
