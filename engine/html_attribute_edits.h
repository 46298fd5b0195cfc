#pragma once

#include <lexbor/dom/interfaces/node.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// Attribute values set after parsing. They are kept here, beside the parsed
// tree, which stays as the parser built it.
// Names compare without regard to ASCII case. Parsed values come out as
// well-formed UTF-8; set values come out as they were set.
class AttributeEdits {
 public:
  // True when `element` has an attribute of that name, parsed or set.
  bool Has(const lxb_dom_node_t& element, std::string_view name) const;
  // The value `element` has now for `name`; nothing when it has no such attribute.
  std::optional<std::string> Value(const lxb_dom_node_t& element, std::string_view name) const;

  // A parsed attribute of that name keeps its place; a new one follows the others.
  void Set(const lxb_dom_node_t& element, std::string_view name, std::string_view value);

  // Each attribute of `element` in markup order, as (qualified name, value).
  void ForEach(const lxb_dom_node_t& element,
               const std::function<void(std::string_view, std::string_view)>& visit) const;

 private:
  struct Edit {
    std::string name;
    std::string value;
    bool added;  // the parser gave the element no attribute of this name
  };

  const std::vector<Edit>* EditsOf(const lxb_dom_node_t& element) const;
  static const Edit* Find(const std::vector<Edit>* edits, std::string_view name);

  std::unordered_map<const lxb_dom_node_t*, std::vector<Edit>> m_edits;  // owned values, keyed by element
};
