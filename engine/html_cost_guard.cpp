#include "engine/html_cost_guard.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "engine/html_names.h"
#include "engine/html_tag_scanner.h"

namespace {

// Budgets that grow with the page, so that the extra work stays a small
// multiple of reading it, with room for the deepest real pages, for a lone
// element of thousands of attributes, for a select of thousands of options
// and for a page that leaves its formatting open throughout.
struct Budget {
  std::uint64_t floor;
  std::uint64_t perByte;
  std::uint64_t For(std::size_t bytes) const { return floor + perByte * bytes; }
};
constexpr Budget kNestingWork{std::uint64_t{1} << 26, 64};
constexpr Budget kAttributeWork{std::uint64_t{1} << 26, 16};
constexpr Budget kOptionWork{std::uint64_t{1} << 24, 4};
constexpr Budget kReopening{std::uint64_t{1} << 16, 1};

// How far down the stack an end tag, or a start tag that closes an element
// implicitly, looks for its element. Beyond that the estimate keeps the
// element open, which only makes it larger.
constexpr std::size_t kCloseReach = 16;

constexpr std::array<std::string_view, 16> kVoidElements{"area",  "base",  "br",    "col",   "embed", "hr",
                                                         "img",   "input", "link",  "meta",  "param", "source",
                                                         "track", "wbr",   "frame", "keygen"};
constexpr std::array<std::string_view, 14> kFormattingElements{"a",    "b", "big",   "code",   "em",     "font", "i",
                                                               "nobr", "s", "small", "strike", "strong", "tt",   "u"};
// Start tags that close an open element of their own name (or a p) near
// the top of the stack, as the tree builder's implied end tags do.
constexpr std::array<std::string_view, 17> kSelfClosingSiblings{"p",  "li", "dd", "dt",    "option", "optgroup",
                                                                "tr", "td", "th", "tbody", "thead",  "tfoot",
                                                                "rb", "rp", "rt", "rtc",   "caption"};
constexpr std::array<std::string_view, 26> kClosesParagraph{
    "address", "article",  "aside",      "blockquote", "center", "details", "dialog", "dir", "div",
    "dl",      "fieldset", "figcaption", "figure",     "footer", "form",    "h1",     "h2",  "h3",
    "h4",      "h5",       "h6",         "header",     "hr",     "main",    "nav",    "ul"};

constexpr std::array<std::string_view, 12> kBlocks{"body",    "button", "html",    "menu",  "ol",       "pre",
                                                   "section", "select", "summary", "table", "template", "applet"};

// What the estimate needs to know of a tag name, looked up once per tag.
enum TagClass : unsigned {
  kVoid = 1,
  kFormatting = 2,
  kSibling = 4,      // in kSelfClosingSiblings
  kClosesP = 8,      // in kClosesParagraph
  kOtherBlock = 16,  // in kBlocks
};

unsigned ClassOf(std::string_view name) {
  static const std::unordered_map<std::string_view, unsigned> kClasses = [] {
    std::unordered_map<std::string_view, unsigned> classes;
    for (const std::string_view tag : kVoidElements) classes[tag] |= kVoid;
    for (const std::string_view tag : kFormattingElements) classes[tag] |= kFormatting;
    for (const std::string_view tag : kSelfClosingSiblings) classes[tag] |= kSibling;
    for (const std::string_view tag : kClosesParagraph) classes[tag] |= kClosesP;
    for (const std::string_view tag : kBlocks) classes[tag] |= kOtherBlock;
    return classes;
  }();
  const auto found = kClasses.find(name);
  return found == kClasses.end() ? 0 : found->second;
}

bool IsBlock(unsigned tagClass) { return (tagClass & (kSibling | kClosesP | kOtherBlock)) != 0; }

std::string_view TextContentName(std::string_view name, TextContent& content) {
  if (name == "script") {
    content = TextContent::kScriptData;
  } else if (name == "title" || name == "textarea") {
    content = TextContent::kRcData;
  } else if (name == "plaintext") {
    content = TextContent::kPlainText;
  } else if (name == "style" || name == "xmp" || name == "iframe" || name == "noembed" || name == "noframes") {
    content = TextContent::kRawText;
  } else {
    return {};
  }
  return name;
}

class CostEstimate {
 public:
  explicit CostEstimate(std::size_t bytes) : m_bytes(bytes) {}

  std::optional<MarkupExcess> StartTag(const ScannedToken& token, const std::string& name) {
    if (name == "select") m_options = 0;
    if (name == "option") m_optionWork += ++m_options;
    if (m_optionWork > kOptionWork.For(m_bytes)) return MarkupExcess{MarkupExcess::Kind::kOptions, m_options};
    if (const std::optional<std::size_t> attributes = CountAttributes(token, name)) {
      return MarkupExcess{MarkupExcess::Kind::kAttributes, *attributes};
    }
    // Only the first of each is an element; the others lend it their attributes.
    if (name == "html" || name == "head" || name == "body") {
      if (m_rootElements.contains(name)) return std::nullopt;
      m_rootElements.insert(name);
    }

    const unsigned tagClass = ClassOf(name);
    const bool block = IsBlock(tagClass);
    if ((tagClass & kSibling) != 0) CloseNear(name);
    if (name == "p" || (tagClass & kClosesP) != 0) CloseAny("p");
    // Phrasing start tags, like text, first make again the formatting
    // elements that something else closed.
    if (!block) Reconstruct();
    if (m_reopened > kReopening.For(m_bytes)) return MarkupExcess{MarkupExcess::Kind::kReopening, m_reopened};

    m_nestingWork += m_open.size();
    m_deepest = std::max(m_deepest, m_open.size());
    if (m_nestingWork > kNestingWork.For(m_bytes)) return MarkupExcess{MarkupExcess::Kind::kNesting, m_deepest};
    const bool foreign = name == "svg" || name == "math" || m_foreignDepth > 0;
    if ((foreign && token.selfClosing) || (!foreign && (tagClass & kVoid) != 0)) return std::nullopt;
    Push({name, kNone, foreign, block});
    if (foreign) ++m_foreignDepth;
    if ((tagClass & kFormatting) != 0) AddFormatting(token, name);
    return std::nullopt;
  }

  void EndTag(const std::string& name) {
    if (name == "select") m_options = 0;
    const unsigned tagClass = ClassOf(name);
    if ((tagClass & kFormatting) != 0) RemoveFormatting(name);
    // The end tag of a block closes it through whatever phrasing was left
    // open inside; other end tags stop at the first block.
    if (IsBlock(tagClass)) {
      CloseAny(name);
    } else {
      CloseNear(name, (tagClass & kFormatting) == 0);
    }
  }

  void Text(bool whitespaceOnly) {
    if (!whitespaceOnly) Reconstruct();
  }

  bool CdataAllowed() const { return m_foreignDepth > 0; }

 private:
  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

  struct OpenElement {
    std::string name;
    std::size_t formatting;  // its entry in m_formatting, or kNone
    bool foreign;
    bool block;
  };
  struct FormattingEntry {
    std::string key;  // the name and attributes, which make entries alike
    bool alive = true;
    bool onStack = true;
  };

  // The attributes of the element that went beyond the budget, if one did.
  std::optional<std::size_t> CountAttributes(const ScannedToken& token, const std::string& name) {
    const std::uint64_t count = token.attributes.size();
    m_attributeWork += count * (count - (count > 0 ? 1 : 0)) / 2;
    std::size_t element = token.attributes.size();
    // A repeated <html> or <body> start tag gives its element the attributes
    // it lacks, each checked against every attribute it has.
    if (name == "html" || name == "body") {
      std::unordered_set<std::string>& names = m_rootAttributes[name];
      for (const ScannedAttribute& attribute : token.attributes) {
        m_attributeWork += names.size();
        names.insert(AsciiLower(attribute.name));
      }
      element = names.size();
    }
    if (m_attributeWork > kAttributeWork.For(m_bytes)) return element;
    return std::nullopt;
  }

  // An end tag of phrasing other than formatting closes nothing past the
  // first block above its element (`stopAtBlocks`).
  void CloseNear(std::string_view name, bool stopAtBlocks = false) {
    const std::size_t reach = std::min(m_open.size(), kCloseReach);
    for (std::size_t i = 1; i <= reach; ++i) {
      const OpenElement& open = m_open[m_open.size() - i];
      if (open.name == name) {
        for (std::size_t k = 0; k < i; ++k) Pop();
        return;
      }
      if (stopAtBlocks && open.block) return;
    }
  }

  void CloseAny(const std::string& name) {
    const auto open = m_openCount.find(name);
    if (open == m_openCount.end() || open->second == 0) return;
    while (m_open.back().name != name) Pop();
    Pop();
  }

  void Pop() {
    const OpenElement& top = m_open.back();
    if (top.formatting != kNone && m_formatting[top.formatting].alive) {
      m_formatting[top.formatting].onStack = false;
      m_detached.push_back(top.formatting);
    }
    if (top.foreign) --m_foreignDepth;
    --m_openCount[top.name];
    m_open.pop_back();
  }

  void Push(OpenElement element) {
    ++m_openCount[element.name];
    m_open.push_back(std::move(element));
  }

  void AddFormatting(const ScannedToken& token, const std::string& name) {
    std::string key = name;
    for (const ScannedAttribute& attribute : token.attributes) {
      key += '\0';
      key.append(attribute.name);
      key += '=';
      key.append(attribute.value);
    }
    // At most three alike entries stay in the list; the earliest goes.
    std::vector<std::size_t>& alike = m_alike[key];
    if (alike.size() == 3) {
      m_formatting[alike.front()].alive = false;
      alike.erase(alike.begin());
    }
    alike.push_back(m_formatting.size());
    m_byName[name].push_back(m_formatting.size());
    m_open.back().formatting = m_formatting.size();
    m_formatting.push_back({std::move(key)});
  }

  void RemoveFormatting(const std::string& name) {
    std::vector<std::size_t>& entries = m_byName[name];
    while (!entries.empty() && !m_formatting[entries.back()].alive) entries.pop_back();
    if (entries.empty()) return;
    m_formatting[entries.back()].alive = false;
    entries.pop_back();
  }

  // Formatting elements closed by something else are made again before the
  // next text or element.
  void Reconstruct() {
    for (const std::size_t entry : m_detached) {
      if (!m_formatting[entry].alive || m_formatting[entry].onStack) continue;
      ++m_reopened;
      m_formatting[entry].onStack = true;
      Push({m_formatting[entry].key.substr(0, m_formatting[entry].key.find('\0')), entry, false, false});
    }
    m_detached.clear();
  }

  std::size_t m_bytes;
  std::vector<OpenElement> m_open;
  std::unordered_map<std::string, std::size_t> m_openCount;  // the open elements of each name
  std::size_t m_foreignDepth = 0;
  std::vector<FormattingEntry> m_formatting;
  std::unordered_map<std::string, std::vector<std::size_t>> m_alike;
  std::unordered_map<std::string, std::vector<std::size_t>> m_byName;
  std::vector<std::size_t> m_detached;
  std::unordered_map<std::string, std::unordered_set<std::string>> m_rootAttributes;
  std::unordered_set<std::string> m_rootElements;  // html, head and body once seen
  std::size_t m_options = 0;
  std::uint64_t m_optionWork = 0;
  std::uint64_t m_attributeWork = 0;
  std::uint64_t m_nestingWork = 0;
  std::size_t m_deepest = 0;
  std::size_t m_reopened = 0;
};

}  // namespace

std::optional<MarkupExcess> FindMarkupExcess(std::string_view utf8Text) {
  HtmlTagScanner scanner(utf8Text);
  CostEstimate estimate(utf8Text.size());
  for (;;) {
    const ScannedToken& token = scanner.Next(estimate.CdataAllowed());
    switch (token.kind) {
      case ScannedToken::Kind::kEnd: return std::nullopt;
      case ScannedToken::Kind::kText:
      case ScannedToken::Kind::kCdata: estimate.Text(token.whitespaceOnly); break;
      case ScannedToken::Kind::kComment: break;
      case ScannedToken::Kind::kStartTag: {
        const std::string name = AsciiLower(token.name);
        if (std::optional<MarkupExcess> excess = estimate.StartTag(token, name)) return excess;
        TextContent content{};
        if (!estimate.CdataAllowed() && !TextContentName(name, content).empty()) scanner.SkipText(content, name);
        break;
      }
      case ScannedToken::Kind::kEndTag: estimate.EndTag(AsciiLower(token.name)); break;
    }
  }
}
