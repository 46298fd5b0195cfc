#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

// gumbo's tree builder does work that grows faster than the page in three
// ways: every token scans the stack of open elements, so deep nesting costs
// depth times length; every attribute is compared with those before it on
// the same element; and formatting elements left open are made again and
// compared with each other at every new paragraph. Browsers bound the first
// by stopping at 512 levels and real pages stay far below. A page beyond
// these bounds is refused before gumbo sees it, after one linear pass.
//
// So is markup the pass cannot follow gumbo through, none of it found in real
// pages: SVG or MathML elements named like HTML's table parts or document
// elements (td, tr, table, select, html, ...), which gumbo's choice of
// insertion mode follows whatever their namespace; and characters right
// after a CDATA section that an integration point put straight into a
// table, on which gumbo, built with its assertions, aborts the program.
struct MarkupExcess {
  enum class Kind {
    kNesting,     // `amount`: the depth allowed, which the page goes beyond
    kAttributes,  // `amount`: the attributes of the element that went beyond the budget
    kReopening,   // `amount`: formatting elements made again by then
    kUnreadable,  // see below
  };
  Kind kind;
  std::size_t amount;
};

// Nesting allowed: the stack of open elements, html and body included.
inline constexpr std::size_t kMaxNestingDepth = 512;

// What makes `utf8Text` too costly to parse, if anything. `maxDepth` bounds
// the stack of open elements as gumbo would build it for this text.
std::optional<MarkupExcess> FindMarkupExcess(std::string_view utf8Text, std::size_t maxDepth = kMaxNestingDepth);
