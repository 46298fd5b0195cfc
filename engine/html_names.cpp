#include "engine/html_names.h"

#include <lexbor/ns/const.h>

#include <algorithm>
#include <array>
#include <utility>

namespace {

char AsciiLowerChar(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// The HTML parser lower-cases every tag name; in SVG these get their case back
// (the "adjust SVG tag names" table of the HTML standard's tree construction).
constexpr std::array<std::pair<std::string_view, std::string_view>, 37> kSvgTagNames{{
    {"altglyph", "altGlyph"},
    {"altglyphdef", "altGlyphDef"},
    {"altglyphitem", "altGlyphItem"},
    {"animatecolor", "animateColor"},
    {"animatemotion", "animateMotion"},
    {"animatetransform", "animateTransform"},
    {"clippath", "clipPath"},
    {"feblend", "feBlend"},
    {"fecolormatrix", "feColorMatrix"},
    {"fecomponenttransfer", "feComponentTransfer"},
    {"fecomposite", "feComposite"},
    {"feconvolvematrix", "feConvolveMatrix"},
    {"fediffuselighting", "feDiffuseLighting"},
    {"fedisplacementmap", "feDisplacementMap"},
    {"fedistantlight", "feDistantLight"},
    {"fedropshadow", "feDropShadow"},
    {"feflood", "feFlood"},
    {"fefunca", "feFuncA"},
    {"fefuncb", "feFuncB"},
    {"fefuncg", "feFuncG"},
    {"fefuncr", "feFuncR"},
    {"fegaussianblur", "feGaussianBlur"},
    {"feimage", "feImage"},
    {"femerge", "feMerge"},
    {"femergenode", "feMergeNode"},
    {"femorphology", "feMorphology"},
    {"feoffset", "feOffset"},
    {"fepointlight", "fePointLight"},
    {"fespecularlighting", "feSpecularLighting"},
    {"fespotlight", "feSpotLight"},
    {"fetile", "feTile"},
    {"feturbulence", "feTurbulence"},
    {"foreignobject", "foreignObject"},
    {"glyphref", "glyphRef"},
    {"lineargradient", "linearGradient"},
    {"radialgradient", "radialGradient"},
    {"textpath", "textPath"},
}};

std::string SvgTagName(std::string lowerName) {
  const auto* found = std::find_if(kSvgTagNames.begin(), kSvgTagNames.end(),
                                   [&](const auto& entry) { return entry.first == lowerName; });
  return found == kSvgTagNames.end() ? lowerName : std::string(found->second);
}

}  // namespace

std::string_view RawTagName(const lxb_dom_node_t& element) {
  std::size_t length = 0;
  const lxb_char_t* name = lxb_dom_element_local_name(lxb_dom_interface_element(&element), &length);
  if (name == nullptr) return {};
  return {reinterpret_cast<const char*>(name), length};
}

std::string ElementLocalName(const lxb_dom_node_t& element) {
  std::string name = AsciiLower(RawTagName(element));
  return element.ns == LXB_NS_SVG ? SvgTagName(std::move(name)) : name;
}

std::string_view AttributeQualifiedName(const lxb_dom_attr_t& attribute) {
  std::size_t length = 0;
  const lxb_char_t* name = lxb_dom_attr_qualified_name(&attribute, &length);
  if (name == nullptr) return {};
  return {reinterpret_cast<const char*>(name), length};
}

std::string_view AttributeValue(const lxb_dom_attr_t& attribute) {
  if (attribute.value == nullptr || attribute.value->data == nullptr) return {};
  return {reinterpret_cast<const char*>(attribute.value->data), attribute.value->length};
}

bool IsHtmlElement(const lxb_dom_node_t& node, lxb_tag_id_t tag) {
  return node.type == LXB_DOM_NODE_TYPE_ELEMENT && node.local_name == tag && node.ns == LXB_NS_HTML;
}

std::string AsciiLower(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(), AsciiLowerChar);
  return lower;
}

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [](char x, char y) { return AsciiLowerChar(x) == AsciiLowerChar(y); });
}
