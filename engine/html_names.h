#pragma once

#include <lexbor/dom/interfaces/attr.h>
#include <lexbor/dom/interfaces/element.h>
#include <lexbor/tag/const.h>

#include <string>
#include <string_view>

// The element's local name as the parser stored it: ASCII lower case, the
// name as the page spelled it for tags the parser does not know.
std::string_view RawTagName(const lxb_dom_node_t& element);

// The element's local name as a browser's DOM gives it: ASCII lower case,
// SVG element names in their mixed case ("foreignObject", "clipPath").
std::string ElementLocalName(const lxb_dom_node_t& element);

// The attribute's name as markup writes it: "viewBox", "xlink:href", "xmlns".
std::string_view AttributeQualifiedName(const lxb_dom_attr_t& attribute);

// The attribute's value as parsed or set; empty when it has none.
std::string_view AttributeValue(const lxb_dom_attr_t& attribute);

bool IsHtmlElement(const lxb_dom_node_t& node, lxb_tag_id_t tag);

std::string AsciiLower(std::string_view text);
bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b);
