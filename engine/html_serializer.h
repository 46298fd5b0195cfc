#pragma once

#include <lexbor/dom/interfaces/document.h>
#include <lexbor/dom/interfaces/node.h>

#include <string>
#include <string_view>

class AttributeEdits;
class TextEdits;

// The element's markup in the outer form of the WHATWG "serializing HTML
// fragments" algorithm, in UTF-8, with the edited attribute values and
// element texts. Keeps its own stack, so any nesting depth is safe.
std::string SerializeOuterHtml(const lxb_dom_node_t& element, const AttributeEdits& edits, const TextEdits& texts);

// True when `element` is one whose text is written raw (style, script) and
// `text` holds what a parser would take for its end tag ("</style"), so that
// markup cannot carry that text in it.
bool EndsRawTextEarly(const lxb_dom_node_t& element, std::string_view text);

// "<!DOCTYPE name>", with the public and system identifiers the page gave;
// empty when the page has no doctype.
std::string SerializeDoctype(const lxb_dom_document_t& document);
