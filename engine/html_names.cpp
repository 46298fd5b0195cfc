#include "engine/html_names.h"

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

std::string_view RawTagName(const GumboElement& element) {
  if (element.tag != GUMBO_TAG_UNKNOWN) return gumbo_normalized_tagname(element.tag);
  if (element.original_tag.data == nullptr) return {};
  std::string_view text(element.original_tag.data, element.original_tag.length);
  // gumbo counts an ignored "</>" before a start tag as part of its text.
  constexpr std::string_view kEmptyEndTag = "</>";
  while (text.substr(0, kEmptyEndTag.size()) == kEmptyEndTag) text.remove_prefix(kEmptyEndTag.size());
  if (text.empty() || text.front() != '<') return {};
  text.remove_prefix(1);
  // The name ends where the HTML tokenizer ends it. gumbo_tag_from_original_text
  // stops at any C white space, a vertical tab too, which the tokenizer keeps
  // in the name.
  return text.substr(0, text.find_first_of("\t\n\f\r />"));
}

std::string ElementLocalName(const GumboElement& element) {
  std::string name = AsciiLower(RawTagName(element));
  return element.tag_namespace == GUMBO_NAMESPACE_SVG ? SvgTagName(std::move(name)) : name;
}

std::string AttributeQualifiedName(const GumboAttribute& attribute) {
  const std::string local = attribute.name;
  switch (attribute.attr_namespace) {
    case GUMBO_ATTR_NAMESPACE_XLINK:
      return "xlink:" + local;
    case GUMBO_ATTR_NAMESPACE_XML:
      return "xml:" + local;
    case GUMBO_ATTR_NAMESPACE_XMLNS:
      return local == "xmlns" ? local : "xmlns:" + local;
    case GUMBO_ATTR_NAMESPACE_NONE:
      break;
  }
  return local;
}

bool IsHtmlElement(const GumboNode& node, GumboTag tag) {
  return (node.type == GUMBO_NODE_ELEMENT || node.type == GUMBO_NODE_TEMPLATE) && node.v.element.tag == tag &&
         node.v.element.tag_namespace == GUMBO_NAMESPACE_HTML;
}

std::string AsciiLower(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(), AsciiLowerChar);
  return lower;
}

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return AsciiLowerChar(x) == AsciiLowerChar(y); });
}
