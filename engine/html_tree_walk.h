#pragma once

#include <gumbo.h>

#include <functional>
#include <vector>

// Elements and templates; a template's contents are its own children.
bool IsElement(const GumboNode& node);

// The elements at and below `root` that `wanted` accepts, in document order.
// Template contents count as the template's children, as the page wrote them.
// The walk keeps its own stack, so any nesting depth is safe.
std::vector<GumboNode*> CollectElements(GumboNode* root, const std::function<bool(const GumboNode&)>& wanted);

// The node's children for a walk: an element's (template contents included)
// or the document's; none for text and comments.
const GumboVector* ChildrenOf(const GumboNode& node);
