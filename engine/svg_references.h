#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "engine/css_references.h"

// The files an SVG file makes a browser load, and the file with them
// replaced and every other byte as written: the href and xlink:href of
// image, use, feImage and script elements, and the URLs of its stylesheets
// (style elements and style attributes). The markup is read as far as its
// tags go; entities other than XML's five and numeric references leave an
// attribute as written.

// What a reference is, which decides how its replacement is read.
enum class SvgReferenceKind : unsigned char {
  Element,     // an href: its fragment ("icons.svg#star") names a part of the file
  Stylesheet,  // a URL of a stylesheet, as CssReference has it
};

// The URL to write instead of `url`, or nothing to keep it as written.
using SvgReplacement =
    std::function<std::optional<std::string>(const std::string& url, SvgReferenceKind kind, const CssReference* css)>;

// `svg` with each reference that `replace` answers for replaced, escaped for
// where it stands. Called once per reference, in text order.
std::string RewriteSvgReferences(std::string_view svg, const SvgReplacement& replace);
