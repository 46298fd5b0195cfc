#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The URLs an HTML page or a stylesheet read back from an archive names, and
// the same text with some of them pointed elsewhere. Markup is scanned, not
// parsed: tags and their attributes, comments, and the raw text of script
// and style elements are told apart; stylesheets (style elements, style
// attributes, CSS files) are read on their tokens.

enum class PageKind { kHtml, kCss };

struct PageUrl {
  std::string url;  // as a browser reads it: character references decoded
  // The page needs what it names to show (an image, a stylesheet, a frame),
  // as against a link the reader may follow.
  bool embedded = false;
};

// Every URL of `text`, in order.
std::vector<PageUrl> FindPageUrls(std::string_view text, PageKind kind);

// What to write instead of a URL, or nothing to keep it.
using PageUrlReplacement = std::function<std::optional<std::string>(const PageUrl&)>;

// `text` with each URL that `replace` answers for written as its answer,
// escaped as its place needs; every other byte as it was.
std::string RewritePageUrls(std::string_view text, PageKind kind, const PageUrlReplacement& replace);

// `reference` resolved against `base` (RFC 3986 section 5.2) and without
// its fragment; empty when it names no other document (a fragment alone) or
// `base` is no hierarchical URL to resolve it against.
std::string ResolveUrl(std::string_view base, std::string_view reference);

// The bytes that "%XX" escapes stand for put in their place.
std::string PercentDecoded(std::string_view text);
