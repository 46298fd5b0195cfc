#include "engine/html_tree_walk.h"

#include <lexbor/html/interfaces/template_element.h>

#include <algorithm>

#include "engine/html_names.h"

bool IsElement(const lxb_dom_node_t& node) { return node.type == LXB_DOM_NODE_TYPE_ELEMENT; }

lxb_dom_node_t* FirstChildOf(const lxb_dom_node_t& node) {
  if (IsHtmlElement(node, LXB_TAG_TEMPLATE)) {
    const auto* fragment = lxb_html_interface_template(&node)->content;
    return fragment == nullptr ? nullptr : fragment->node.first_child;
  }
  return node.first_child;
}

std::vector<lxb_dom_node_t*> CollectElements(lxb_dom_node_t* root) {
  std::vector<lxb_dom_node_t*> found;
  std::vector<lxb_dom_node_t*> pending;
  if (root != nullptr) pending.push_back(root);
  while (!pending.empty()) {
    lxb_dom_node_t* node = pending.back();
    pending.pop_back();
    if (IsElement(*node)) found.push_back(node);
    // Last child first onto the stack, so that the first child comes off first.
    const std::size_t siblingsFrom = pending.size();
    for (lxb_dom_node_t* child = FirstChildOf(*node); child != nullptr; child = child->next) pending.push_back(child);
    std::reverse(pending.begin() + static_cast<std::ptrdiff_t>(siblingsFrom), pending.end());
  }
  return found;
}
