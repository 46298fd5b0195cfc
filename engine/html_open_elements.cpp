#include "engine/html_open_elements.h"

#include <algorithm>
#include <bitset>
#include <string>
#include <unordered_set>
#include <utility>

namespace {

// A set of gumbo's tags that answers membership at once: the model asks for
// every open element it walks past.
class TagSet {
 public:
  TagSet(std::initializer_list<GumboTag> tags) {
    for (const GumboTag tag : tags) m_tags.set(static_cast<std::size_t>(tag));
  }
  bool Has(GumboTag tag) const {
    const auto index = static_cast<std::size_t>(tag);
    return index < m_tags.size() && m_tags.test(index);
  }

 private:
  std::bitset<GUMBO_TAG_LAST + 1> m_tags;
};

// The sets below are gumbo's, which follow WHATWG HTML: "special",
// "formatting", the scopes and the tags that break out of foreign content.
bool IsOneOf(GumboTag tag, std::initializer_list<GumboTag> tags) {
  return std::find(tags.begin(), tags.end(), tag) != tags.end();
}

const TagSet kHeadings{GUMBO_TAG_H1, GUMBO_TAG_H2, GUMBO_TAG_H3, GUMBO_TAG_H4, GUMBO_TAG_H5, GUMBO_TAG_H6};

const TagSet kFormatting{GUMBO_TAG_A,     GUMBO_TAG_B,     GUMBO_TAG_BIG,    GUMBO_TAG_CODE,   GUMBO_TAG_EM,
                         GUMBO_TAG_FONT,  GUMBO_TAG_I,     GUMBO_TAG_NOBR,   GUMBO_TAG_S,      GUMBO_TAG_SMALL,
                         GUMBO_TAG_STRIKE, GUMBO_TAG_STRONG, GUMBO_TAG_TT,   GUMBO_TAG_U};

// Start tags that close an open p element and open a block.
const TagSet kBlockStarts{GUMBO_TAG_ADDRESS, GUMBO_TAG_ARTICLE,    GUMBO_TAG_ASIDE,  GUMBO_TAG_BLOCKQUOTE,
                          GUMBO_TAG_CENTER,  GUMBO_TAG_DETAILS,    GUMBO_TAG_DIR,    GUMBO_TAG_DIV,
                          GUMBO_TAG_DL,      GUMBO_TAG_FIELDSET,   GUMBO_TAG_FIGCAPTION, GUMBO_TAG_FIGURE,
                          GUMBO_TAG_FOOTER,  GUMBO_TAG_HEADER,     GUMBO_TAG_HGROUP, GUMBO_TAG_MENU,
                          GUMBO_TAG_MAIN,    GUMBO_TAG_NAV,        GUMBO_TAG_OL,     GUMBO_TAG_P,
                          GUMBO_TAG_SECTION, GUMBO_TAG_SUMMARY,    GUMBO_TAG_UL,     GUMBO_TAG_PRE,
                          GUMBO_TAG_LISTING};

// Start tags that open no element, or one closed at once.
const TagSet kVoid{GUMBO_TAG_AREA,   GUMBO_TAG_BR,      GUMBO_TAG_EMBED,   GUMBO_TAG_IMG,      GUMBO_TAG_IMAGE,
                   GUMBO_TAG_KEYGEN, GUMBO_TAG_WBR,     GUMBO_TAG_INPUT,   GUMBO_TAG_PARAM,    GUMBO_TAG_SOURCE,
                   GUMBO_TAG_TRACK,  GUMBO_TAG_HR,      GUMBO_TAG_ISINDEX, GUMBO_TAG_BASE,     GUMBO_TAG_BASEFONT,
                   GUMBO_TAG_BGSOUND, GUMBO_TAG_MENUITEM, GUMBO_TAG_LINK,  GUMBO_TAG_META,     GUMBO_TAG_COL,
                   GUMBO_TAG_COLGROUP, GUMBO_TAG_FRAME, GUMBO_TAG_HTML,    GUMBO_TAG_HEAD,     GUMBO_TAG_BODY};

const TagSet kTableStructure{GUMBO_TAG_CAPTION, GUMBO_TAG_COL, GUMBO_TAG_COLGROUP, GUMBO_TAG_TBODY, GUMBO_TAG_TD,
                             GUMBO_TAG_TFOOT,   GUMBO_TAG_TH,  GUMBO_TAG_THEAD,    GUMBO_TAG_TR};

const TagSet kForeignContentBreakers{
    GUMBO_TAG_B,      GUMBO_TAG_BIG,  GUMBO_TAG_BLOCKQUOTE, GUMBO_TAG_BODY,   GUMBO_TAG_BR,     GUMBO_TAG_CENTER,
    GUMBO_TAG_CODE,   GUMBO_TAG_DD,   GUMBO_TAG_DIV,        GUMBO_TAG_DL,     GUMBO_TAG_DT,     GUMBO_TAG_EM,
    GUMBO_TAG_EMBED,  GUMBO_TAG_H1,   GUMBO_TAG_H2,         GUMBO_TAG_H3,     GUMBO_TAG_H4,     GUMBO_TAG_H5,
    GUMBO_TAG_H6,     GUMBO_TAG_HEAD, GUMBO_TAG_HR,         GUMBO_TAG_I,      GUMBO_TAG_IMG,    GUMBO_TAG_LI,
    GUMBO_TAG_LISTING, GUMBO_TAG_MENU, GUMBO_TAG_META,      GUMBO_TAG_NOBR,   GUMBO_TAG_OL,     GUMBO_TAG_P,
    GUMBO_TAG_PRE,    GUMBO_TAG_RUBY, GUMBO_TAG_S,          GUMBO_TAG_SMALL,  GUMBO_TAG_SPAN,   GUMBO_TAG_STRONG,
    GUMBO_TAG_STRIKE, GUMBO_TAG_SUB,  GUMBO_TAG_SUP,        GUMBO_TAG_TABLE,  GUMBO_TAG_TT,     GUMBO_TAG_U,
    GUMBO_TAG_UL,     GUMBO_TAG_VAR};

const TagSet kSpecialHtml{
    GUMBO_TAG_ADDRESS,  GUMBO_TAG_APPLET,     GUMBO_TAG_AREA,      GUMBO_TAG_ARTICLE,  GUMBO_TAG_ASIDE,
    GUMBO_TAG_BASE,     GUMBO_TAG_BASEFONT,   GUMBO_TAG_BGSOUND,   GUMBO_TAG_BLOCKQUOTE, GUMBO_TAG_BODY,
    GUMBO_TAG_BR,       GUMBO_TAG_BUTTON,     GUMBO_TAG_CAPTION,   GUMBO_TAG_CENTER,   GUMBO_TAG_COL,
    GUMBO_TAG_COLGROUP, GUMBO_TAG_MENUITEM,   GUMBO_TAG_DD,        GUMBO_TAG_DETAILS,  GUMBO_TAG_DIR,
    GUMBO_TAG_DIV,      GUMBO_TAG_DL,         GUMBO_TAG_DT,        GUMBO_TAG_EMBED,    GUMBO_TAG_FIELDSET,
    GUMBO_TAG_FIGCAPTION, GUMBO_TAG_FIGURE,   GUMBO_TAG_FOOTER,    GUMBO_TAG_FORM,     GUMBO_TAG_FRAME,
    GUMBO_TAG_FRAMESET, GUMBO_TAG_H1,         GUMBO_TAG_H2,        GUMBO_TAG_H3,       GUMBO_TAG_H4,
    GUMBO_TAG_H5,       GUMBO_TAG_H6,         GUMBO_TAG_HEAD,      GUMBO_TAG_HEADER,   GUMBO_TAG_HGROUP,
    GUMBO_TAG_HR,       GUMBO_TAG_HTML,       GUMBO_TAG_IFRAME,    GUMBO_TAG_IMG,      GUMBO_TAG_INPUT,
    GUMBO_TAG_ISINDEX,  GUMBO_TAG_LI,         GUMBO_TAG_LINK,      GUMBO_TAG_LISTING,  GUMBO_TAG_MARQUEE,
    GUMBO_TAG_MENU,     GUMBO_TAG_META,       GUMBO_TAG_NAV,       GUMBO_TAG_NOEMBED,  GUMBO_TAG_NOFRAMES,
    GUMBO_TAG_NOSCRIPT, GUMBO_TAG_OBJECT,     GUMBO_TAG_OL,        GUMBO_TAG_P,        GUMBO_TAG_PARAM,
    GUMBO_TAG_PLAINTEXT, GUMBO_TAG_PRE,       GUMBO_TAG_SCRIPT,    GUMBO_TAG_SECTION,  GUMBO_TAG_SELECT,
    GUMBO_TAG_STYLE,    GUMBO_TAG_SUMMARY,    GUMBO_TAG_TABLE,     GUMBO_TAG_TBODY,    GUMBO_TAG_TD,
    GUMBO_TAG_TEMPLATE, GUMBO_TAG_TEXTAREA,   GUMBO_TAG_TFOOT,     GUMBO_TAG_TH,       GUMBO_TAG_THEAD,
    GUMBO_TAG_TITLE,    GUMBO_TAG_TR,         GUMBO_TAG_UL,        GUMBO_TAG_WBR,      GUMBO_TAG_XMP};

const TagSet kDefaultScopeHtml{GUMBO_TAG_APPLET, GUMBO_TAG_CAPTION, GUMBO_TAG_HTML,     GUMBO_TAG_TABLE,
                               GUMBO_TAG_TD,     GUMBO_TAG_TH,      GUMBO_TAG_MARQUEE,  GUMBO_TAG_OBJECT,
                               GUMBO_TAG_TEMPLATE};

const TagSet kImpliedEnd{GUMBO_TAG_DD, GUMBO_TAG_DT, GUMBO_TAG_LI, GUMBO_TAG_OPTION, GUMBO_TAG_OPTGROUP,
                         GUMBO_TAG_P,  GUMBO_TAG_RB, GUMBO_TAG_RP, GUMBO_TAG_RT,     GUMBO_TAG_RTC};

bool IsHeading(GumboTag tag) { return kHeadings.Has(tag); }
bool IsFormatting(GumboTag tag) { return kFormatting.Has(tag); }
bool IsBlockStart(GumboTag tag) { return kBlockStarts.Has(tag); }

// End tags that close their element when it is in scope.
bool IsBlockEnd(GumboTag tag) { return tag != GUMBO_TAG_P && (IsBlockStart(tag) || tag == GUMBO_TAG_BUTTON); }

bool IsVoid(GumboTag tag) { return kVoid.Has(tag); }
bool IsTableStructure(GumboTag tag) { return kTableStructure.Has(tag); }
bool BreaksOutOfForeignContent(GumboTag tag) { return kForeignContentBreakers.Has(tag); }

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
           return lower(x) == lower(y);
         });
}

bool HasAttribute(const ScannedToken& tag, std::string_view name) {
  return std::any_of(tag.attributes.begin(), tag.attributes.end(),
                     [name](const ScannedAttribute& attribute) { return EqualsIgnoringCase(attribute.name, name); });
}

std::string_view AttributeValue(const ScannedToken& tag, std::string_view name) {
  for (const ScannedAttribute& attribute : tag.attributes) {
    if (EqualsIgnoringCase(attribute.name, name)) return attribute.value;
  }
  return {};
}

// FNV-1a of the ASCII lower-case text, continuing from `hash`.
constexpr std::uint64_t LowerCaseHash(std::string_view text, std::uint64_t hash = 14695981039346656037ULL) {
  for (const char c : text) {
    hash ^= static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    hash *= 1099511628211ULL;
  }
  return hash;
}

// The name by which gumbo matches a foreign element with end tags: its
// original text without '<' and '>', cut at the first white space (C's,
// vertical tab included) or '/'.
std::uint64_t ForeignNameHash(std::string_view source) {
  const std::string_view text = source.substr(1, source.size() - 2);
  return LowerCaseHash(text.substr(0, text.find_first_of(" \t\n\v\f\r/")));
}

// gumbo compares a cost per name byte and per call; this counts both.
constexpr std::uint64_t kBytesPerComparison = 8;

// The attributes as gumbo keeps them, taken as a set, so that two tags with
// the same attributes in any order agree. gumbo drops a repeated name; one
// written without a value stays in its name buffer and begins the next
// attribute's name ("x x y" gives x and xy), as gumbo does when it records
// no parse errors.
std::uint64_t AttributesKey(const ScannedToken& tag) {
  constexpr std::uint64_t kNoName = LowerCaseHash("");
  std::vector<std::pair<std::uint64_t, std::uint64_t>> kept;
  std::unordered_set<std::uint64_t> names;
  std::uint64_t carried = kNoName;
  for (const ScannedAttribute& attribute : tag.attributes) {
    const std::uint64_t name = LowerCaseHash(attribute.name, carried);
    carried = kNoName;
    if (names.insert(name).second) {
      kept.emplace_back(name, LowerCaseHash(attribute.value, 0));
    } else if (!attribute.hasValue) {
      carried = name;
    }
  }
  std::sort(kept.begin(), kept.end());
  std::uint64_t key = kept.size();
  for (const auto& [name, value] : kept) key = (key * 31 + name) * 31 + value;
  return key;
}

}  // namespace

bool OpenElementsModel::TopIsHtml(GumboTag id) const {
  return !m_stack.empty() && m_stack.back().ns == Namespace::kHtml && m_stack.back().tag == id;
}

bool OpenElementsModel::CurrentNodeIsForeign() const {
  return !m_stack.empty() && m_stack.back().ns != Namespace::kHtml;
}

namespace {

bool IsMathMlTextIntegrationPoint(GumboTag tag) {
  return IsOneOf(tag, {GUMBO_TAG_MI, GUMBO_TAG_MO, GUMBO_TAG_MN, GUMBO_TAG_MS, GUMBO_TAG_MTEXT});
}

// The modes in which text goes through a table's pending text: white space
// is kept apart, other text is foster parented.
bool IsTableText(TableContext context) {
  return context == TableContext::kTable || context == TableContext::kTableBody || context == TableContext::kRow ||
         context == TableContext::kTemplateTable;
}

bool IsHtml(const OpenElement& element, std::initializer_list<GumboTag> tags) {
  return element.ns == ElementNamespace::kHtml && IsOneOf(element.tag, tags);
}

// The scopes of "has an element in scope": the elements that end the search.
bool IsDefaultScopeBoundary(const OpenElement& element) {
  switch (element.ns) {
    case ElementNamespace::kHtml:
      return kDefaultScopeHtml.Has(element.tag);
    case ElementNamespace::kMathMl:
      return IsMathMlTextIntegrationPoint(element.tag) || element.tag == GUMBO_TAG_ANNOTATION_XML;
    case ElementNamespace::kSvg:
      return IsOneOf(element.tag, {GUMBO_TAG_FOREIGNOBJECT, GUMBO_TAG_DESC, GUMBO_TAG_TITLE});
  }
  return false;
}

bool IsListItemScopeBoundary(const OpenElement& element) {
  return IsDefaultScopeBoundary(element) || IsHtml(element, {GUMBO_TAG_OL, GUMBO_TAG_UL});
}

bool IsButtonScopeBoundary(const OpenElement& element) {
  return IsDefaultScopeBoundary(element) || IsHtml(element, {GUMBO_TAG_BUTTON});
}

bool IsTableScopeBoundary(const OpenElement& element) {
  return IsHtml(element, {GUMBO_TAG_HTML, GUMBO_TAG_TABLE, GUMBO_TAG_TEMPLATE});
}

bool IsSelectScopeBoundary(const OpenElement& element) {
  return !IsHtml(element, {GUMBO_TAG_OPTGROUP, GUMBO_TAG_OPTION});
}

// gumbo's "special" category.
bool IsSpecial(const OpenElement& element) {
  switch (element.ns) {
    case ElementNamespace::kHtml:
      return kSpecialHtml.Has(element.tag);
    case ElementNamespace::kMathMl:
      return IsMathMlTextIntegrationPoint(element.tag) || element.tag == GUMBO_TAG_ANNOTATION_XML;
    case ElementNamespace::kSvg:
      return element.tag == GUMBO_TAG_FOREIGNOBJECT || element.tag == GUMBO_TAG_DESC;
  }
  return false;
}

}  // namespace

std::optional<std::size_t> OpenElementsModel::TopMost(GumboTag id) const {
  for (std::size_t i = m_stack.size(); i-- > 0;) {
    if (m_stack[i].ns == Namespace::kHtml && m_stack[i].tag == id) return i;
  }
  return std::nullopt;
}

bool OpenElementsModel::InScope(GumboTag id, bool (*boundary)(const Element&)) const {
  for (std::size_t i = m_stack.size(); i-- > 0;) {
    if (m_stack[i].ns == Namespace::kHtml && m_stack[i].tag == id) return true;
    if (boundary(m_stack[i])) return false;
  }
  return false;
}

TableContext OpenElementsModel::CurrentTableContext() const {
  return m_stack.empty() ? TableContext::kNone : m_stack.back().context;
}

// gumbo's dispatcher: HTML rules unless the current node is foreign and not
// an integration point for this token.
bool OpenElementsModel::UsesHtmlRules(ScannedToken::Kind kind, GumboTag id) const {
  const Element* top = Top();
  if (top == nullptr || top->ns == Namespace::kHtml) return true;
  const bool start = kind == ScannedToken::Kind::kStartTag;
  const bool text = kind == ScannedToken::Kind::kText;
  if (top->ns == Namespace::kMathMl && IsMathMlTextIntegrationPoint(top->tag) &&
      (text || (start && id != GUMBO_TAG_MGLYPH && id != GUMBO_TAG_MALIGNMARK))) {
    return true;
  }
  if (top->ns == Namespace::kMathMl && top->tag == GUMBO_TAG_ANNOTATION_XML && start && id == GUMBO_TAG_SVG) {
    return true;
  }
  const bool htmlIntegrationPoint =
      top->htmlIntegrationPoint ||
      (top->ns == Namespace::kSvg && IsOneOf(top->tag, {GUMBO_TAG_FOREIGNOBJECT, GUMBO_TAG_DESC, GUMBO_TAG_TITLE}));
  return htmlIntegrationPoint && (start || text);
}

// gumbo keeps CDATA characters that reach a table's rules in its pending
// text, where its table rules assert that no character waits. An element
// that gumbo inserts or closes would empty it, but the model cannot tell
// every tag gumbo ignores here; only a comment surely empties it.
void OpenElementsModel::Cdata() {
  if (UsesHtmlRules(ScannedToken::Kind::kText, GUMBO_TAG_UNKNOWN) && IsTableText(CurrentTableContext())) {
    m_cdataInTableText = true;
  }
}

void OpenElementsModel::Text(bool whitespaceOnly) {
  if (m_cdataInTableText) m_unreadable = true;
  if (!UsesHtmlRules(ScannedToken::Kind::kText, GUMBO_TAG_UNKNOWN)) return;
  const TableContext context = CurrentTableContext();
  if (context == TableContext::kSelect || context == TableContext::kSelectInTable) return;
  if (IsTableText(context) && whitespaceOnly) return;
  Reconstruct();
}

std::optional<TextContent> OpenElementsModel::StartTag(const ScannedToken& tag) {
  const std::optional<TextContent> content = StartTagContent(tag);
  m_inText = content.has_value() && *content != TextContent::kPlainText;
  return content;
}

std::optional<TextContent> OpenElementsModel::StartTagContent(const ScannedToken& tag) {
  const GumboTag id = gumbo_tagn_enum(tag.name.data(), static_cast<unsigned>(tag.name.size()));
  if (!UsesHtmlRules(tag.kind, id)) {
    if (BreaksOutOfForeignContent(id) ||
        (id == GUMBO_TAG_FONT && (HasAttribute(tag, "color") || HasAttribute(tag, "face") || HasAttribute(tag, "size")))) {
      while (!UsesHtmlRules(tag.kind, id)) Pop();
      return HtmlStartTag(tag, id);
    }
    ForeignStartTag(tag, id);
    return std::nullopt;
  }
  return HtmlStartTag(tag, id);
}

void OpenElementsModel::ForeignStartTag(const ScannedToken& tag, GumboTag id) {
  if (!tag.selfClosing) Push(tag, id, m_stack.back().ns);
}

std::optional<TextContent> OpenElementsModel::HtmlStartTag(const ScannedToken& tag, GumboTag id) {
  if (TopIsHtml(GUMBO_TAG_TEMPLATE) && m_stack.back().templateContent == TemplateContent::kUndecided) {
    DecideTemplateContent(m_stack.back(), id);
  }
  const TableContext context = CurrentTableContext();
  if (context == TableContext::kSelect || context == TableContext::kSelectInTable) {
    if (id == GUMBO_TAG_SCRIPT || id == GUMBO_TAG_TEMPLATE) return BodyStartTag(tag, id);
    const bool tableTag = IsOneOf(id, {GUMBO_TAG_CAPTION, GUMBO_TAG_TABLE, GUMBO_TAG_TBODY, GUMBO_TAG_TFOOT,
                                       GUMBO_TAG_THEAD, GUMBO_TAG_TR, GUMBO_TAG_TD, GUMBO_TAG_TH});
    if ((tableTag && context == TableContext::kSelectInTable) ||
        IsOneOf(id, {GUMBO_TAG_INPUT, GUMBO_TAG_KEYGEN, GUMBO_TAG_TEXTAREA})) {
      if (InScope(GUMBO_TAG_SELECT, IsSelectScopeBoundary)) {
        PopThrough(*TopMost(GUMBO_TAG_SELECT));
        return StartTagContent(tag);
      }
      return std::nullopt;
    }
    SelectStartTag(tag, id);
    return std::nullopt;
  }
  if (IsTableStructure(id) || id == GUMBO_TAG_TABLE) {
    if (TableStartTag(tag, id)) return std::nullopt;
  }
  if (id == GUMBO_TAG_FORM && IsTableText(context)) {
    // A form straight inside a table is closed at once.
    if (!HasTemplate()) m_formPointer = true;
    return std::nullopt;
  }
  return BodyStartTag(tag, id);
}

// Inside a select only options, groups of them and a few others count.
void OpenElementsModel::SelectStartTag(const ScannedToken& tag, GumboTag id) {
  if (id == GUMBO_TAG_OPTION || id == GUMBO_TAG_OPTGROUP) {
    if (TopIsHtml(GUMBO_TAG_OPTION)) Pop();
    if (id == GUMBO_TAG_OPTGROUP && TopIsHtml(GUMBO_TAG_OPTGROUP)) Pop();
    Push(tag, id, Namespace::kHtml);
  } else if (id == GUMBO_TAG_SELECT && InScope(GUMBO_TAG_SELECT, IsSelectScopeBoundary)) {
    PopThrough(*TopMost(GUMBO_TAG_SELECT));
  }
}

// Table structure where a table is open: true when handled here.
bool OpenElementsModel::TableStartTag(const ScannedToken& tag, GumboTag id) {
  const TableContext context = CurrentTableContext();
  switch (context) {
    case TableContext::kNone:
      return id != GUMBO_TAG_TABLE;  // stray cells and rows are ignored
    case TableContext::kTemplate:
      // Content read as a body ignores table tags, but a table itself.
      return id != GUMBO_TAG_TABLE;
    case TableContext::kTemplateTable:
      TemplateTableStartTag(tag, id);
      return true;
    case TableContext::kCell:
      if (id == GUMBO_TAG_TABLE) return false;
      if (InScope(GUMBO_TAG_TD, IsTableScopeBoundary) || InScope(GUMBO_TAG_TH, IsTableScopeBoundary)) {
        CloseCell();
        StartTagContent(tag);
      }
      return true;
    case TableContext::kCaption:
      if (id == GUMBO_TAG_TABLE) return false;
      if (InScope(GUMBO_TAG_CAPTION, IsTableScopeBoundary)) {
        PopThrough(*TopMost(GUMBO_TAG_CAPTION));
        ClearFormattingToMarker();
        StartTagContent(tag);
      }
      return true;
    case TableContext::kSelect:
    case TableContext::kSelectInTable:
      return true;
    case TableContext::kTable:
    case TableContext::kTableBody:
    case TableContext::kRow:
      break;
  }
  if (id == GUMBO_TAG_TABLE) {
    // A table start tag inside a table closes it first.
    if (!InScope(GUMBO_TAG_TABLE, IsTableScopeBoundary)) return true;
    PopThrough(*TopMost(GUMBO_TAG_TABLE));
    return false;
  }
  if (id == GUMBO_TAG_CAPTION || id == GUMBO_TAG_COL || id == GUMBO_TAG_COLGROUP || id == GUMBO_TAG_TBODY ||
      id == GUMBO_TAG_THEAD || id == GUMBO_TAG_TFOOT) {
    if (InScope(GUMBO_TAG_TABLE, IsTableScopeBoundary)) {
      PopUntilTopIs({GUMBO_TAG_TABLE, GUMBO_TAG_TEMPLATE});
    } else if (context == TableContext::kRow) {
      // Straight inside a template a row closes for these, which then
      // find no row group to close and are ignored.
      PopThrough(*TopMost(GUMBO_TAG_TR));
      return true;
    } else {
      PopUntilTopIs({GUMBO_TAG_TBODY, GUMBO_TAG_THEAD, GUMBO_TAG_TFOOT, GUMBO_TAG_TEMPLATE});
      if (!TopIsHtml(GUMBO_TAG_TEMPLATE)) Pop();
    }
    if (id != GUMBO_TAG_COL && id != GUMBO_TAG_COLGROUP) Push(tag, id, Namespace::kHtml);
    if (id == GUMBO_TAG_CAPTION) AddMarker();
    return true;
  }
  // tr, td and th: the row group and row they need are implied.
  PopUntilTopIs({GUMBO_TAG_TR, GUMBO_TAG_TBODY, GUMBO_TAG_THEAD, GUMBO_TAG_TFOOT, GUMBO_TAG_TABLE, GUMBO_TAG_TEMPLATE});
  if (TopIsHtml(GUMBO_TAG_TR) && id == GUMBO_TAG_TR) Pop();
  if (TopIsHtml(GUMBO_TAG_TABLE)) PushImplied(GUMBO_TAG_TBODY);
  if (id != GUMBO_TAG_TR && !TopIsHtml(GUMBO_TAG_TR)) PushImplied(GUMBO_TAG_TR);
  Push(tag, id, Namespace::kHtml);
  if (id != GUMBO_TAG_TR) AddMarker();
  return true;
}

// The first start tag inside a template picks the mode its content is read
// in: a table's part, or a body.
void OpenElementsModel::DecideTemplateContent(Element& element, GumboTag id) {
  switch (id) {
    case GUMBO_TAG_CAPTION:
    case GUMBO_TAG_COLGROUP:
    case GUMBO_TAG_TBODY:
    case GUMBO_TAG_TFOOT:
    case GUMBO_TAG_THEAD:
      element.templateContent = TemplateContent::kTable;
      break;
    case GUMBO_TAG_COL:
      element.templateContent = TemplateContent::kColumnGroup;
      break;
    case GUMBO_TAG_TR:
      element.templateContent = TemplateContent::kTableBody;
      break;
    case GUMBO_TAG_TD:
    case GUMBO_TAG_TH:
      element.templateContent = TemplateContent::kRow;
      break;
    default:
      element.templateContent = TemplateContent::kBody;
      return;
  }
  element.context = TableContext::kTemplateTable;
}

// Table tags straight inside a template whose content is a table's part,
// read in that part's mode with the template standing for the table.
void OpenElementsModel::TemplateTableStartTag(const ScannedToken& tag, GumboTag id) {
  std::size_t at = m_stack.size();
  while (at-- > 0 && !IsHtml(m_stack[at], {GUMBO_TAG_TEMPLATE})) {
  }
  switch (m_stack[at].templateContent) {
    case TemplateContent::kTable:
      PopUntilTopIs({GUMBO_TAG_TEMPLATE});
      if (id == GUMBO_TAG_CAPTION || id == GUMBO_TAG_TBODY || id == GUMBO_TAG_THEAD || id == GUMBO_TAG_TFOOT) {
        Push(tag, id, Namespace::kHtml);
        if (id == GUMBO_TAG_CAPTION) AddMarker();
      } else if (id == GUMBO_TAG_TR || id == GUMBO_TAG_TD || id == GUMBO_TAG_TH) {
        PushImplied(GUMBO_TAG_TBODY);
        if (id != GUMBO_TAG_TR) PushImplied(GUMBO_TAG_TR);
        Push(tag, id, Namespace::kHtml);
        if (id != GUMBO_TAG_TR) AddMarker();
      }
      return;
    case TemplateContent::kTableBody:
      if (id == GUMBO_TAG_TR || id == GUMBO_TAG_TD || id == GUMBO_TAG_TH) {
        PopUntilTopIs({GUMBO_TAG_TEMPLATE});
        if (id != GUMBO_TAG_TR) PushImplied(GUMBO_TAG_TR);
        Push(tag, id, Namespace::kHtml);
        if (id != GUMBO_TAG_TR) AddMarker();
      }
      return;
    case TemplateContent::kRow:
      if (id == GUMBO_TAG_TD || id == GUMBO_TAG_TH) {
        PopUntilTopIs({GUMBO_TAG_TEMPLATE});
        Push(tag, id, Namespace::kHtml);
        AddMarker();
      }
      return;
    default:
      return;  // a column group takes nothing but columns
  }
}

std::optional<TextContent> OpenElementsModel::BodyStartTag(const ScannedToken& tag, GumboTag id) {
  switch (id) {
    case GUMBO_TAG_SCRIPT:
      Push(tag, id, Namespace::kHtml);
      return TextContent::kScriptData;
    case GUMBO_TAG_STYLE:
    case GUMBO_TAG_NOFRAMES:
    case GUMBO_TAG_IFRAME:
    case GUMBO_TAG_NOEMBED:
      Push(tag, id, Namespace::kHtml);
      return TextContent::kRawText;
    case GUMBO_TAG_XMP:
      ClosePInButtonScope();
      Reconstruct();
      Push(tag, id, Namespace::kHtml);
      return TextContent::kRawText;
    case GUMBO_TAG_TITLE:
    case GUMBO_TAG_TEXTAREA:
      Push(tag, id, Namespace::kHtml);
      return TextContent::kRcData;
    case GUMBO_TAG_PLAINTEXT:
      ClosePInButtonScope();
      Push(tag, id, Namespace::kHtml);
      return TextContent::kPlainText;
    case GUMBO_TAG_TEMPLATE:
      Push(tag, id, Namespace::kHtml);
      AddMarker();
      return std::nullopt;
    case GUMBO_TAG_LI:
    case GUMBO_TAG_DD:
    case GUMBO_TAG_DT:
      for (std::size_t i = m_stack.size(); i-- > 0;) {
        const Element& element = m_stack[i];
        const bool item = element.ns == Namespace::kHtml &&
                          (id == GUMBO_TAG_LI ? element.tag == GUMBO_TAG_LI
                                              : element.tag == GUMBO_TAG_DD || element.tag == GUMBO_TAG_DT);
        if (item) {
          PopThrough(i);
          break;
        }
        if (IsSpecial(element) &&
            !(element.ns == Namespace::kHtml &&
              IsOneOf(element.tag, {GUMBO_TAG_ADDRESS, GUMBO_TAG_DIV, GUMBO_TAG_P}))) {
          break;
        }
      }
      ClosePInButtonScope();
      Push(tag, id, Namespace::kHtml);
      return std::nullopt;
    case GUMBO_TAG_FORM:
      if (m_formPointer && !HasTemplate()) return std::nullopt;
      ClosePInButtonScope();
      Push(tag, id, Namespace::kHtml);
      if (!HasTemplate()) m_formPointer = true;
      return std::nullopt;
    case GUMBO_TAG_BUTTON:
      if (InScope(GUMBO_TAG_BUTTON, IsDefaultScopeBoundary)) PopThrough(*TopMost(GUMBO_TAG_BUTTON));
      Reconstruct();
      Push(tag, id, Namespace::kHtml);
      return std::nullopt;
    case GUMBO_TAG_A:
      if (LastFormatting(GUMBO_TAG_A)) {
        AdoptionAgency(GUMBO_TAG_A);
        if (const std::optional<std::size_t> left = LastFormatting(GUMBO_TAG_A)) {
          const std::optional<std::size_t> element = StackIndex(m_formatting[*left].id);
          RemoveFormatting(*left);
          if (element) EraseAt(*element);
        }
      }
      Reconstruct();
      Push(tag, id, Namespace::kHtml);
      AddFormatting(m_stack.size() - 1, tag);
      return std::nullopt;
    case GUMBO_TAG_NOBR:
      Reconstruct();
      if (InScope(GUMBO_TAG_NOBR, IsDefaultScopeBoundary)) {
        AdoptionAgency(GUMBO_TAG_NOBR);
        Reconstruct();
      }
      Push(tag, id, Namespace::kHtml);
      AddFormatting(m_stack.size() - 1, tag);
      return std::nullopt;
    case GUMBO_TAG_APPLET:
    case GUMBO_TAG_MARQUEE:
    case GUMBO_TAG_OBJECT:
      Reconstruct();
      Push(tag, id, Namespace::kHtml);
      AddMarker();
      return std::nullopt;
    case GUMBO_TAG_TABLE:
      // Only outside quirks mode does a table close an open paragraph; the
      // model does not tell the modes apart and keeps the paragraph open.
      Push(tag, id, Namespace::kHtml);
      return std::nullopt;
    case GUMBO_TAG_SELECT:
      Reconstruct();
      Push(tag, id, Namespace::kHtml);
      return std::nullopt;
    case GUMBO_TAG_OPTION:
    case GUMBO_TAG_OPTGROUP:
      if (TopIsHtml(GUMBO_TAG_OPTION)) Pop();
      Reconstruct();
      Push(tag, id, Namespace::kHtml);
      return std::nullopt;
    case GUMBO_TAG_RB:
    case GUMBO_TAG_RTC:
    case GUMBO_TAG_RP:
    case GUMBO_TAG_RT:
      if (InScope(GUMBO_TAG_RUBY, IsDefaultScopeBoundary)) {
        GenerateImpliedEndTags(id == GUMBO_TAG_RP || id == GUMBO_TAG_RT ? GUMBO_TAG_RTC : GUMBO_TAG_LAST);
      }
      Push(tag, id, Namespace::kHtml);
      return std::nullopt;
    case GUMBO_TAG_MATH:
    case GUMBO_TAG_SVG:
      Reconstruct();
      if (!tag.selfClosing) Push(tag, id, id == GUMBO_TAG_SVG ? Namespace::kSvg : Namespace::kMathMl);
      return std::nullopt;
    case GUMBO_TAG_FRAMESET:
      Push(tag, id, Namespace::kHtml);
      return std::nullopt;
    default:
      break;
  }
  if (IsBlockStart(id) || IsHeading(id)) {
    ClosePInButtonScope();
    if (IsHeading(id) && !m_stack.empty() && m_stack.back().ns == Namespace::kHtml && IsHeading(m_stack.back().tag)) {
      Pop();
    }
    Push(tag, id, Namespace::kHtml);
    return std::nullopt;
  }
  if (IsVoid(id)) {
    if (id == GUMBO_TAG_HR || id == GUMBO_TAG_ISINDEX) {
      ClosePInButtonScope();
    } else if (IsOneOf(id, {GUMBO_TAG_AREA, GUMBO_TAG_BR, GUMBO_TAG_EMBED, GUMBO_TAG_IMG, GUMBO_TAG_IMAGE,
                            GUMBO_TAG_KEYGEN, GUMBO_TAG_WBR, GUMBO_TAG_INPUT})) {
      Reconstruct();
    }
    return std::nullopt;
  }
  Reconstruct();
  Push(tag, id, Namespace::kHtml);
  if (IsFormatting(id)) AddFormatting(m_stack.size() - 1, tag);
  return std::nullopt;
}

void OpenElementsModel::EndTag(const ScannedToken& tag) {
  if (m_inText) {
    // The end tag of an element read as text closes it, wherever it is.
    m_inText = false;
    Pop();
    return;
  }
  const GumboTag id = gumbo_tagn_enum(tag.name.data(), static_cast<unsigned>(tag.name.size()));
  if (!UsesHtmlRules(tag.kind, id)) {
    // Foreign end tags match open foreign elements by name, down to the
    // first HTML element, whose rules take over from there. gumbo compares
    // all that stands between "</" and ">", so "</g >" matches no "g".
    const std::uint64_t name = LowerCaseHash(tag.source.substr(2, tag.source.size() - 3));
    for (std::size_t i = m_stack.size(); i-- > 0 && m_stack[i].ns != Namespace::kHtml;) {
      if (m_stack[i].nameHash == name) {
        PopThrough(i);
        return;
      }
    }
  }
  HtmlEndTag(id);
}

void OpenElementsModel::HtmlEndTag(GumboTag id) {
  const TableContext context = CurrentTableContext();
  if (context == TableContext::kSelect || context == TableContext::kSelectInTable) {
    if (id == GUMBO_TAG_OPTGROUP) {
      if (TopIsHtml(GUMBO_TAG_OPTION) && m_stack.size() >= 2 && m_stack[m_stack.size() - 2].tag == GUMBO_TAG_OPTGROUP) {
        Pop();
      }
      if (TopIsHtml(GUMBO_TAG_OPTGROUP)) Pop();
    } else if (id == GUMBO_TAG_OPTION) {
      if (TopIsHtml(GUMBO_TAG_OPTION)) Pop();
    } else if (id == GUMBO_TAG_SELECT) {
      if (InScope(GUMBO_TAG_SELECT, IsSelectScopeBoundary)) PopThrough(*TopMost(GUMBO_TAG_SELECT));
    } else if (id == GUMBO_TAG_TEMPLATE) {
      CloseTemplate();
    } else if (context == TableContext::kSelectInTable &&
               IsOneOf(id, {GUMBO_TAG_CAPTION, GUMBO_TAG_TABLE, GUMBO_TAG_TBODY, GUMBO_TAG_TFOOT, GUMBO_TAG_THEAD,
                            GUMBO_TAG_TR, GUMBO_TAG_TD, GUMBO_TAG_TH}) &&
               InScope(id, IsTableScopeBoundary)) {
      PopThrough(*TopMost(GUMBO_TAG_SELECT));
      HtmlEndTag(id);
    }
    return;
  }
  if (TableEndTag(id)) return;
  switch (id) {
    case GUMBO_TAG_BODY:
    case GUMBO_TAG_HTML:
    case GUMBO_TAG_HEAD:
      return;
    case GUMBO_TAG_FORM: {
      if (HasTemplate()) {
        if (InScope(GUMBO_TAG_FORM, IsDefaultScopeBoundary)) PopThrough(*TopMost(GUMBO_TAG_FORM));
        return;
      }
      const bool pointed = m_formPointer;
      m_formPointer = false;
      if (!pointed || !InScope(GUMBO_TAG_FORM, IsDefaultScopeBoundary)) return;
      GenerateImpliedEndTags(GUMBO_TAG_LAST);
      // Only the form itself leaves the stack; what it holds stays open.
      if (const std::optional<std::size_t> form = TopMost(GUMBO_TAG_FORM)) EraseAt(*form);
      return;
    }
    case GUMBO_TAG_P:
      ClosePInButtonScope();
      return;
    case GUMBO_TAG_LI:
      if (InScope(GUMBO_TAG_LI, IsListItemScopeBoundary)) PopThrough(*TopMost(GUMBO_TAG_LI));
      return;
    case GUMBO_TAG_DD:
    case GUMBO_TAG_DT:
      if (InScope(id, IsDefaultScopeBoundary)) PopThrough(*TopMost(id));
      return;
    case GUMBO_TAG_APPLET:
    case GUMBO_TAG_MARQUEE:
    case GUMBO_TAG_OBJECT:
      if (InScope(id, IsTableScopeBoundary)) {
        PopThrough(*TopMost(id));
        ClearFormattingToMarker();
      }
      return;
    case GUMBO_TAG_TEMPLATE:
      CloseTemplate();
      return;
    case GUMBO_TAG_BR:
      Reconstruct();
      return;
    default:
      break;
  }
  if (IsHeading(id)) {
    for (std::size_t i = m_stack.size(); i-- > 0;) {
      if (m_stack[i].ns == Namespace::kHtml && IsHeading(m_stack[i].tag)) {
        PopThrough(i);
        return;
      }
      if (IsDefaultScopeBoundary(m_stack[i])) return;
    }
    return;
  }
  if (IsBlockEnd(id)) {
    if (InScope(id, IsDefaultScopeBoundary)) PopThrough(*TopMost(id));
    return;
  }
  if (IsFormatting(id)) {
    AdoptionAgency(id);
    return;
  }
  AnyOtherEndTag(id);
}

// Table end tags where a table is open: true when handled here.
bool OpenElementsModel::TableEndTag(GumboTag id) {
  if (!IsOneOf(id, {GUMBO_TAG_TABLE, GUMBO_TAG_TBODY, GUMBO_TAG_THEAD, GUMBO_TAG_TFOOT, GUMBO_TAG_TR, GUMBO_TAG_TD,
                    GUMBO_TAG_TH, GUMBO_TAG_CAPTION, GUMBO_TAG_COL, GUMBO_TAG_COLGROUP})) {
    return false;
  }
  if (id == GUMBO_TAG_COL || id == GUMBO_TAG_COLGROUP || !InScope(id, IsTableScopeBoundary)) return true;
  const TableContext context = CurrentTableContext();
  if (context == TableContext::kCell || context == TableContext::kCaption) ClearFormattingToMarker();
  PopThrough(*TopMost(id));
  if (id == GUMBO_TAG_TD || id == GUMBO_TAG_TH || id == GUMBO_TAG_CAPTION) {
    if (context != TableContext::kCell && context != TableContext::kCaption) ClearFormattingToMarker();
  }
  return true;
}

void OpenElementsModel::AnyOtherEndTag(GumboTag id) {
  for (std::size_t i = m_stack.size(); i-- > 0;) {
    if (m_stack[i].ns == Namespace::kHtml && m_stack[i].tag == id) {
      PopThrough(i);
      return;
    }
    if (IsSpecial(m_stack[i])) return;
  }
}

// The adoption agency algorithm. When a special element stands above the
// formatting element, gumbo moves the formatting element above it and
// removes some of the elements in between; the model moves it and keeps
// them. A formatting end tag with no entry in the list is ignored, as gumbo
// ignores it.
void OpenElementsModel::AdoptionAgency(GumboTag id) {
  if (TopIsHtml(id) && m_stack.back().formattingId == 0) {
    Pop();
    return;
  }
  constexpr int kRounds = 8;
  for (int round = 0; round < kRounds; ++round) {
    const std::optional<std::size_t> listIndex = LastFormatting(id);
    if (!listIndex) return;
    const std::uint32_t entryId = m_formatting[*listIndex].id;
    const std::optional<std::size_t> position =
        m_formatting[*listIndex].onStack ? StackIndex(entryId) : std::nullopt;
    if (!position) {
      RemoveFormatting(*listIndex);
      return;
    }
    for (std::size_t i = m_stack.size(); --i > *position;) {
      if (IsDefaultScopeBoundary(m_stack[i])) return;
    }
    std::size_t furthestBlock = *position + 1;
    while (furthestBlock < m_stack.size() && !IsSpecial(m_stack[furthestBlock])) ++furthestBlock;
    if (furthestBlock == m_stack.size()) {
      PopThrough(*position);
      if (const std::optional<std::size_t> left = FormattingIndex(entryId)) RemoveFormatting(*left);
      return;
    }
    const Element moved = m_stack[*position];
    m_stack.erase(m_stack.begin() + static_cast<std::ptrdiff_t>(*position));
    m_stack.insert(m_stack.begin() + static_cast<std::ptrdiff_t>(furthestBlock), Placed(moved, furthestBlock));
  }
}

void OpenElementsModel::Push(const ScannedToken& tag, GumboTag id, Namespace ns) {
  Element element;
  element.tag = id;
  element.ns = ns;
  if (ns != Namespace::kHtml) {
    element.nameHash = ForeignNameHash(tag.source);
    // gumbo picks its insertion mode from the tag names on its stack,
    // whatever their namespace, which no real SVG or MathML borrows.
    if (IsOneOf(id, {GUMBO_TAG_HTML, GUMBO_TAG_HEAD, GUMBO_TAG_BODY, GUMBO_TAG_FRAMESET, GUMBO_TAG_TABLE,
                     GUMBO_TAG_TBODY, GUMBO_TAG_THEAD, GUMBO_TAG_TFOOT, GUMBO_TAG_TR, GUMBO_TAG_TD, GUMBO_TAG_TH,
                     GUMBO_TAG_CAPTION, GUMBO_TAG_COLGROUP, GUMBO_TAG_SELECT, GUMBO_TAG_TEMPLATE})) {
      m_unreadable = true;
    }
  }
  if (ns == Namespace::kMathMl && id == GUMBO_TAG_ANNOTATION_XML) {
    const std::string_view encoding = AttributeValue(tag, "encoding");
    element.htmlIntegrationPoint =
        EqualsIgnoringCase(encoding, "text/html") || EqualsIgnoringCase(encoding, "application/xhtml+xml");
  }
  PushElement(element);
}

void OpenElementsModel::PushImplied(GumboTag id) {
  Element element;
  element.tag = id;
  PushElement(element);
}

void OpenElementsModel::PushElement(Element element) {
  if (element.ns == Namespace::kHtml && element.tag == GUMBO_TAG_TEMPLATE) ++m_templates;
  m_stack.push_back(Placed(element, m_stack.size()));
}

OpenElementsModel::Element OpenElementsModel::Placed(Element element, std::size_t position) const {
  const Element* below = position > 0 ? &m_stack[position - 1] : nullptr;
  element.context = below != nullptr ? below->context : TableContext::kNone;
  element.pInButtonScope = below != nullptr && below->pInButtonScope;
  if (element.ns == Namespace::kHtml) {
    switch (element.tag) {
      case GUMBO_TAG_TABLE:
        element.context = TableContext::kTable;
        break;
      case GUMBO_TAG_TBODY:
      case GUMBO_TAG_THEAD:
      case GUMBO_TAG_TFOOT:
        element.context = TableContext::kTableBody;
        break;
      case GUMBO_TAG_TR:
        element.context = TableContext::kRow;
        break;
      case GUMBO_TAG_TD:
      case GUMBO_TAG_TH:
        element.context = TableContext::kCell;
        break;
      case GUMBO_TAG_CAPTION:
        element.context = TableContext::kCaption;
        break;
      case GUMBO_TAG_SELECT:
        // Table tags close a select only when it stands in a table.
        element.context = element.context == TableContext::kNone || element.context == TableContext::kTemplate
                              ? TableContext::kSelect
                              : TableContext::kSelectInTable;
        break;
      case GUMBO_TAG_TEMPLATE:
        element.context = TableContext::kTemplate;
        break;
      default:
        break;
    }
  }
  if (element.ns == Namespace::kHtml && element.tag == GUMBO_TAG_P) {
    element.pInButtonScope = true;
  } else if (IsButtonScopeBoundary(element)) {
    element.pInButtonScope = false;
  }
  return element;
}

// An element leaves the stack: its formatting entry, if any, is no longer open.
void OpenElementsModel::Forget(const Element& element) {
  if (element.formattingId != 0) {
    if (const std::optional<std::size_t> entry = FormattingIndex(element.formattingId)) {
      m_formatting[*entry].onStack = false;
    }
  }
  if (element.ns == Namespace::kHtml && element.tag == GUMBO_TAG_TEMPLATE) --m_templates;
}

void OpenElementsModel::Pop() {
  Forget(m_stack.back());
  m_stack.pop_back();
}

void OpenElementsModel::PopThrough(std::size_t index) {
  while (m_stack.size() > index) Pop();
}

void OpenElementsModel::PopUntilTopIs(std::initializer_list<GumboTag> tags) {
  while (!m_stack.empty() && !IsHtml(m_stack.back(), tags)) Pop();
}

void OpenElementsModel::EraseAt(std::size_t index) {
  Forget(m_stack[index]);
  m_stack.erase(m_stack.begin() + static_cast<std::ptrdiff_t>(index));
}

void OpenElementsModel::ClosePInButtonScope() {
  if (!m_stack.empty() && m_stack.back().pInButtonScope) PopThrough(*TopMost(GUMBO_TAG_P));
}

void OpenElementsModel::GenerateImpliedEndTags(GumboTag except) {
  while (!m_stack.empty() && m_stack.back().ns == Namespace::kHtml && m_stack.back().tag != except &&
         kImpliedEnd.Has(m_stack.back().tag)) {
    Pop();
  }
}

// A template's end tag closes it wherever it stands, as its content does
// not depend on what is open around it.
void OpenElementsModel::CloseTemplate() {
  if (const std::optional<std::size_t> open = TopMost(GUMBO_TAG_TEMPLATE)) {
    PopThrough(*open);
    ClearFormattingToMarker();
  }
}

void OpenElementsModel::CloseCell() {
  const std::optional<std::size_t> td = TopMost(GUMBO_TAG_TD);
  const std::optional<std::size_t> th = TopMost(GUMBO_TAG_TH);
  PopThrough(std::max(td.value_or(0), th.value_or(0)));
  ClearFormattingToMarker();
}

// The rule of three: a fourth identical entry after the last marker pushes
// out the earliest. Comparing attribute lists is gumbo's most expensive
// step here, so its cost is counted.
void OpenElementsModel::AddFormatting(std::size_t stackIndex, const ScannedToken& tag) {
  FormattingEntry added{m_nextFormattingId++, m_stack[stackIndex].tag, AttributesKey(tag), tag.attributes.size(), 0,
                        true};
  for (const ScannedAttribute& attribute : tag.attributes) added.attributeBytes += attribute.name.size() + kBytesPerComparison;
  std::size_t identical = 0;
  std::size_t earliest = 0;
  for (std::size_t i = m_formatting.size(); i-- > 0 && m_formatting[i].id != 0;) {
    const FormattingEntry& entry = m_formatting[i];
    if (entry.tag != added.tag) continue;
    m_attributeMatchWork += kBytesPerComparison + entry.attributeCount * added.attributeBytes;
    if (entry.attributesKey == added.attributesKey) {
      ++identical;
      earliest = i;
    }
  }
  if (identical >= 3) RemoveFormatting(earliest);
  m_stack[stackIndex].formattingId = added.id;
  m_formatting.push_back(added);
}

void OpenElementsModel::AddMarker() { m_formatting.push_back(FormattingEntry{0, GUMBO_TAG_UNKNOWN, 0, 0, 0, false}); }

void OpenElementsModel::ClearFormattingToMarker() {
  while (!m_formatting.empty()) {
    const bool marker = m_formatting.back().id == 0;
    RemoveFormatting(m_formatting.size() - 1);
    if (marker) return;
  }
}

void OpenElementsModel::Reconstruct() {
  if (m_formatting.empty() || m_formatting.back().id == 0 || m_formatting.back().onStack) return;
  std::size_t first = m_formatting.size() - 1;
  while (first > 0 && m_formatting[first - 1].id != 0 && !m_formatting[first - 1].onStack) --first;
  for (std::size_t i = first; i < m_formatting.size(); ++i) {
    Element clone;
    clone.tag = m_formatting[i].tag;
    clone.formattingId = m_formatting[i].id;
    PushElement(clone);
    m_formatting[i].onStack = true;
    ++m_reopened;
  }
}

std::optional<std::size_t> OpenElementsModel::LastFormatting(GumboTag id) const {
  for (std::size_t i = m_formatting.size(); i-- > 0 && m_formatting[i].id != 0;) {
    if (m_formatting[i].tag == id) return i;
  }
  return std::nullopt;
}

// An element whose entry leaves the list stays open, no longer linked.
void OpenElementsModel::RemoveFormatting(std::size_t listIndex) {
  const std::uint32_t id = m_formatting[listIndex].id;
  if (id != 0 && m_formatting[listIndex].onStack) {
    if (const std::optional<std::size_t> element = StackIndex(id)) m_stack[*element].formattingId = 0;
  }
  m_formatting.erase(m_formatting.begin() + static_cast<std::ptrdiff_t>(listIndex));
}

std::optional<std::size_t> OpenElementsModel::FormattingIndex(std::uint32_t id) const {
  for (std::size_t i = m_formatting.size(); i-- > 0;) {
    if (m_formatting[i].id == id) return i;
  }
  return std::nullopt;
}

std::optional<std::size_t> OpenElementsModel::StackIndex(std::uint32_t formattingId) const {
  for (std::size_t i = m_stack.size(); i-- > 0;) {
    if (m_stack[i].formattingId == formattingId) return i;
  }
  return std::nullopt;
}
