#pragma once

#include <gumbo.h>

#include <string>
#include <string_view>

// The tag name as gumbo knows it: its normalized name for the tags it
// recognizes, otherwise the name as the page spelled it.
std::string_view RawTagName(const GumboElement& element);

// The element's local name as a browser's DOM gives it: ASCII lower case,
// SVG element names in their mixed case ("foreignObject", "clipPath").
std::string ElementLocalName(const GumboElement& element);

// The attribute's name as markup writes it: "viewBox", "xlink:href", "xmlns".
std::string AttributeQualifiedName(const GumboAttribute& attribute);

bool IsHtmlElement(const GumboNode& node, GumboTag tag);

std::string AsciiLower(std::string_view text);
bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b);
