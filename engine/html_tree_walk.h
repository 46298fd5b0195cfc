#pragma once

#include <lexbor/dom/interfaces/node.h>

#include <vector>

// Elements; a template's contents count as its own children.
bool IsElement(const lxb_dom_node_t& node);

// The elements at and below `root`, in document order. Template contents
// count as the template's children, as the page wrote them. The walk keeps
// its own stack, so any nesting depth is safe.
std::vector<lxb_dom_node_t*> CollectElements(lxb_dom_node_t* root);

// The node's first child for a walk: a template's first content node, an
// element's or the document's first child; null for text and comments.
lxb_dom_node_t* FirstChildOf(const lxb_dom_node_t& node);
