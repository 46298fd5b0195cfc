// The guard that refuses too costly markup follows the stack of open
// elements as gumbo builds it, so no page can pass the guard and still nest
// deep in gumbo. gumbo's tree shows how deep its stack grew: an element's
// ancestors were all open when it was inserted, except those gumbo takes off
// its stack while their content stays open (a form at its end tag, an a or
// nobr that a new one closes), which are not counted, and except where the
// adoption agency moved elements, which is not checked.
#include <gumbo.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/html_cost_guard.h"
#include "engine/html_gumbo_arena.h"
#include "fuzz/fuzz_check.h"

namespace {

// A void element below the deepest open one, and the elements that gumbo
// opens and closes within one token (isindex's form and label, an implied
// colgroup), which the guard does not count.
constexpr std::size_t kLeafAndTransientElements = 3;

bool MayLeaveTheStackEarly(const GumboElement& element) {
  return element.tag_namespace == GUMBO_NAMESPACE_HTML &&
         (element.tag == GUMBO_TAG_FORM || element.tag == GUMBO_TAG_A || element.tag == GUMBO_TAG_NOBR);
}

// The tree's depth counted as above; nothing when the adoption agency moved
// anything.
std::optional<std::size_t> OpenDepth(const GumboNode* root) {
  constexpr unsigned kMoved = GUMBO_INSERTION_ADOPTION_AGENCY_CLONED | GUMBO_INSERTION_ADOPTION_AGENCY_MOVED;
  std::size_t deepest = 0;
  std::vector<std::pair<const GumboNode*, std::size_t>> open{{root, 0}};
  while (!open.empty()) {
    const auto [node, above] = open.back();
    open.pop_back();
    if (node->type != GUMBO_NODE_ELEMENT && node->type != GUMBO_NODE_TEMPLATE) continue;
    if ((node->parse_flags & kMoved) != 0) return std::nullopt;
    const std::size_t depth = above + (MayLeaveTheStackEarly(node->v.element) ? 0 : 1);
    deepest = std::max(deepest, depth);
    for (unsigned i = 0; i < node->v.element.children.length; ++i) {
      open.emplace_back(static_cast<const GumboNode*>(node->v.element.children.data[i]), depth);
    }
  }
  return deepest;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string page(reinterpret_cast<const char*>(data), size);
  if (const std::size_t zero = page.find('\0'); zero != std::string::npos) page.resize(zero);
  // A refused page is never parsed: gumbo would take too long, or abort.
  if (FindMarkupExcess(page).has_value()) return 0;
  // As the engine parses: no parse errors kept, every block in an arena.
  GumboOptions options = kGumboDefaultOptions;
  options.max_errors = 0;
  GumboArena arena;
  arena.Install(options);
  const std::optional<std::size_t> depth =
      OpenDepth(gumbo_parse_with_options(&options, page.data(), page.size())->root);
  if (depth && *depth > kLeafAndTransientElements + 2) {
    const std::optional<MarkupExcess> excess = FindMarkupExcess(page, *depth - kLeafAndTransientElements - 1);
    Require(excess.has_value() && excess->kind == MarkupExcess::Kind::kNesting,
            "the guard sees the stack as deep as gumbo's tree shows it");
  }
  return 0;
}
