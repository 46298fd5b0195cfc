#pragma once

#include <gumbo.h>

#include <string>

class AttributeEdits;

// The element's markup in the outer form of the WHATWG "serializing HTML
// fragments" algorithm, in UTF-8, with the edited attribute values. Keeps its
// own stack, so any nesting depth is safe.
std::string SerializeOuterHtml(const GumboNode& element, const AttributeEdits& edits);

// "<!DOCTYPE name>", with the public and system identifiers the page gave;
// empty when the page has no doctype.
std::string SerializeDoctype(const GumboDocument& document);
