#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

class HtmlDocument;

// Where the label of a meta element's content attribute stands: the WHATWG
// "algorithm for extracting a character encoding from a meta element",
// giving the label's offset and length in `content`, quotes excluded.
struct CharsetSpan {
  std::size_t offset;
  std::size_t length;
};
std::optional<CharsetSpan> FindCharsetInContent(std::string_view content);

// The page is serialized as UTF-8 whatever it was read in, and a browser
// obeys the page's own declaration over the part's label: every meta charset
// and every Content-Type pragma that names another encoding (or none the
// standard knows) is made to name "utf-8". Declarations naming UTF-8 stay as
// written.
void DeclareUtf8(HtmlDocument& document);
