#include "engine/html_cost_guard.h"

#include <cstdint>

#include "engine/html_open_elements.h"
#include "engine/html_tag_scanner.h"

namespace {

// Budgets that grow with the page, so that the extra work stays a small
// multiple of reading it, with room for a lone element of thousands of
// attributes and for a page that leaves its formatting open throughout.
constexpr std::uint64_t kAttributeWorkFloor = std::uint64_t{1} << 30;
constexpr std::uint64_t kAttributeWorkPerByte = 64;
constexpr std::uint64_t kReopeningFloor = std::uint64_t{1} << 16;
constexpr std::uint64_t kReopeningPerTag = 2;

// gumbo looks for a repeated name by comparing each attribute name with
// those before it on the element: the bytes of the earlier names plus a
// constant per comparison.
std::uint64_t RepeatedNameWork(const ScannedToken& tag) {
  constexpr std::uint64_t kPerComparison = 8;
  std::uint64_t work = 0;
  std::uint64_t earlier = 0;
  for (const ScannedAttribute& attribute : tag.attributes) {
    work += earlier;
    earlier += attribute.name.size() + kPerComparison;
  }
  return work;
}

}  // namespace

std::optional<MarkupExcess> FindMarkupExcess(std::string_view utf8Text, std::size_t maxDepth) {
  const std::uint64_t attributeBudget = kAttributeWorkFloor + kAttributeWorkPerByte * utf8Text.size();
  HtmlTagScanner scanner(utf8Text);
  OpenElementsModel model;
  std::uint64_t attributeWork = 0;
  std::uint64_t tags = 0;
  for (;;) {
    const ScannedToken& token = scanner.Next(model.CurrentNodeIsForeign());
    switch (token.kind) {
      case ScannedToken::Kind::kEnd:
        return std::nullopt;
      case ScannedToken::Kind::kText:
        model.Text(token.whitespaceOnly);
        break;
      case ScannedToken::Kind::kCdata:
        model.Cdata();
        break;
      case ScannedToken::Kind::kComment:
        model.Comment();
        break;
      case ScannedToken::Kind::kStartTag:
      case ScannedToken::Kind::kEndTag:
        ++tags;
        attributeWork += RepeatedNameWork(token);
        if (token.kind == ScannedToken::Kind::kEndTag) {
          model.EndTag(token);
        } else if (const std::optional<TextContent> content = model.StartTag(token)) {
          scanner.SkipText(*content, token.name);
        }
        if (attributeWork + model.AttributeMatchWork() > attributeBudget) {
          return MarkupExcess{MarkupExcess::Kind::kAttributes, token.attributes.size()};
        }
        break;
    }
    if (model.Unreadable()) return MarkupExcess{MarkupExcess::Kind::kUnreadable, 0};
    if (model.Depth() > maxDepth || model.FormattingEntries() > maxDepth) {
      return MarkupExcess{MarkupExcess::Kind::kNesting, maxDepth};
    }
    if (model.Reopened() > kReopeningFloor + kReopeningPerTag * tags) {
      return MarkupExcess{MarkupExcess::Kind::kReopening, static_cast<std::size_t>(model.Reopened())};
    }
  }
}
