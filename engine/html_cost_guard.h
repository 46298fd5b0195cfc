#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

// The tree builder does work that grows faster than the page in a few
// shapes: every start tag scans the stack of open elements, so nesting costs
// depth times length; the attributes of one element are compared with each
// other, and so are those that repeated <html> and <body> start tags add;
// every option put into a select re-runs the select's choice of option over
// all of them; and formatting elements left open are made again at every new
// paragraph. One linear pass over the markup estimates each, from above, and
// a page beyond the budget is refused before it is parsed.
struct MarkupExcess {
  enum class Kind {
    kNesting,     // `amount`: the deepest the page went by then
    kAttributes,  // `amount`: the attributes of the element that went beyond the budget
    kOptions,     // `amount`: the options of the select that went beyond the budget
    kReopening,   // `amount`: formatting elements made again by then
  };
  Kind kind;
  std::size_t amount;
};

// What makes `utf8Text` too costly to parse, if anything.
std::optional<MarkupExcess> FindMarkupExcess(std::string_view utf8Text);
