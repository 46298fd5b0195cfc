#include "engine/html_tree_walk.h"

bool IsElement(const GumboNode& node) { return node.type == GUMBO_NODE_ELEMENT || node.type == GUMBO_NODE_TEMPLATE; }

const GumboVector* ChildrenOf(const GumboNode& node) {
  if (IsElement(node)) return &node.v.element.children;
  if (node.type == GUMBO_NODE_DOCUMENT) return &node.v.document.children;
  return nullptr;
}

std::vector<GumboNode*> CollectElements(GumboNode* root, const std::function<bool(const GumboNode&)>& wanted) {
  std::vector<GumboNode*> found;
  std::vector<GumboNode*> pending;
  if (root != nullptr) pending.push_back(root);
  while (!pending.empty()) {
    GumboNode* node = pending.back();
    pending.pop_back();
    if (IsElement(*node) && wanted(*node)) found.push_back(node);
    const GumboVector* children = ChildrenOf(*node);
    if (children == nullptr) continue;
    // Reversed, so that the first child comes off the stack first.
    for (unsigned int i = children->length; i-- > 0;) pending.push_back(static_cast<GumboNode*>(children->data[i]));
  }
  return found;
}
