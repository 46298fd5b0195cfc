#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/text_edit.h"

// The URLs a stylesheet makes a browser load, found on its tokens (so a
// "url(" inside a comment or a string is never taken), and the stylesheet
// with some of them replaced and every other byte as written.
//
// Taken: url() in both forms (the url token, and the url function with a
// string), the string or url() that an @import rule at the top level names,
// and the plain strings among the arguments of image-set() and
// -webkit-image-set(). Not taken: the URL of an @namespace rule (a name, not
// a file), bad strings and bad URLs, and empty URLs, which name nothing.

enum class CssReferenceKind : unsigned char {
  Import,  // a stylesheet that this one imports
  Other,   // images, fonts and whatever else url() names
};

// How the URL is written, which decides how a replacement is written.
enum class CssReferenceForm : unsigned char {
  UrlToken,  // url(a.png) in one token, written back as url("...")
  String,    // a quoted string, written back as "..."
};

struct CssReference {
  std::string url;  // owned; escapes decoded, exactly as a browser reads it
  CssReferenceKind kind = CssReferenceKind::Other;
  CssReferenceForm form = CssReferenceForm::UrlToken;
  std::size_t begin = 0;  // the bytes that a replacement takes the place of
  std::size_t end = 0;
};

// Where the text comes from: @import and @namespace rules exist only in a
// stylesheet, not in a style attribute's list of declarations.
enum class CssSource : unsigned char { Stylesheet, StyleAttribute };

// Every URL of `text`, in the order of the text. A leading UTF-8 byte-order
// mark is skipped, as the stylesheet's decoding drops it.
std::vector<CssReference> FindCssReferences(std::string_view text, CssSource source = CssSource::Stylesheet);

// The URL to write instead of a reference's, or nothing to keep it as written.
using CssReplacement = std::function<std::optional<std::string>(const CssReference&)>;

// `text` with each URL that `replace` answers for written as its answer,
// quoted and escaped so that a browser reads exactly that URL back. Called
// once per reference, in text order. Bytes outside replaced URLs are copied.
std::string RewriteCssReferences(std::string_view text, const CssReplacement& replace,
                                 CssSource source = CssSource::Stylesheet);

// The edits RewriteCssReferences makes, in text order: each URL that
// `replace` answers for, and its answer as it is written in its place.
std::vector<TextEdit> CssReferenceEdits(std::string_view text, const CssReplacement& replace,
                                        CssSource source = CssSource::Stylesheet);
// The same for the references FindCssReferences found in a text.
std::vector<TextEdit> CssReferenceEdits(const std::vector<CssReference>& references, const CssReplacement& replace);

// `url` as a CSS string in double quotes: quote and backslash escaped, line
// breaks and other control characters as hexadecimal escapes.
std::string CssQuotedString(std::string_view url);
