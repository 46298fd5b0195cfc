#include "engine/css_references.h"

#include <utility>

#include "engine/css_tokenizer.h"

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

// Each block a token opens, as far as finding URLs needs to tell them apart.
enum class Block : unsigned char {
  None,  // the top level, outside every block
  Paren,
  Bracket,
  Brace,
  Function,
  ImageSet,   // image-set() or -webkit-image-set(): its plain strings are URLs
  Url,        // url( followed by its string
  ImportUrl,  // the same, naming what an @import rule imports
  UrlDone,    // a url( whose string has been seen
};

bool ClosesWithParen(Block block) { return block != Block::None && block != Block::Bracket && block != Block::Brace; }

// Walks the tokens once, keeping the stack of open blocks (the component
// values of section 5) and, at the top level of a stylesheet, where each rule
// begins, which is all it takes to tell an @import's URL from any other.
class ReferenceFinder {
 public:
  ReferenceFinder(std::size_t offset, CssSource source) : m_offset(offset), m_source(source) {}

  void Visit(const CssToken& token) {
    if (token.type == CssTokenType::Whitespace || token.type == CssTokenType::Comment) return;
    if (m_source == CssSource::Stylesheet && m_blocks.empty() && FollowRule(token)) return;
    const bool importTarget = m_importPending;
    m_importPending = false;
    if (FollowBlocks(token, importTarget)) return;
    const Block current = m_blocks.empty() ? Block::None : m_blocks.back();
    if (token.type == CssTokenType::Url) {
      Add(token, importTarget ? CssReferenceKind::Import : CssReferenceKind::Other, CssReferenceForm::UrlToken);
    } else if (token.type == CssTokenType::String) {
      const bool named = current == Block::Url || current == Block::ImportUrl || current == Block::ImageSet;
      if (named || importTarget) {
        const bool import = current == Block::ImportUrl || importTarget;
        Add(token, import ? CssReferenceKind::Import : CssReferenceKind::Other, CssReferenceForm::String);
      }
    }
    // Only the first token after url( is its string.
    if (current == Block::Url || current == Block::ImportUrl) m_blocks.back() = Block::UrlDone;
  }

  std::vector<CssReference> TakeReferences() { return std::move(m_references); }

 private:
  enum class Rule : unsigned char { Start, AtRule, QualifiedRule };
  enum class AtRule : unsigned char { Import, Namespace, Other };

  // Section 5.4.1 at the top level. An at-rule ends at ";" or with its block,
  // a qualified rule only with its block, so "a; @import 'x';" imports
  // nothing. True when the token only steered the rules.
  bool FollowRule(const CssToken& token) {
    if (m_rule == Rule::Start) {
      if (token.type == CssTokenType::Cdo || token.type == CssTokenType::Cdc) return true;
      if (token.type != CssTokenType::AtKeyword) {
        m_rule = Rule::QualifiedRule;
        return false;
      }
      m_rule = Rule::AtRule;
      m_atRule = EqualsIgnoringAsciiCase(token.value, "import")      ? AtRule::Import
                 : EqualsIgnoringAsciiCase(token.value, "namespace") ? AtRule::Namespace
                                                                     : AtRule::Other;
      m_importPending = m_atRule == AtRule::Import;
      return true;
    }
    if (m_rule == Rule::AtRule && token.type == CssTokenType::Semicolon) {
      m_rule = Rule::Start;
      m_importPending = false;
      return true;
    }
    return false;
  }

  // Opens and closes blocks as section 5.4.8 does: a closing token that
  // does not match the innermost block is an ordinary token inside it. True
  // when the token opened or closed a block, or failed to.
  bool FollowBlocks(const CssToken& token, bool importTarget) {
    const Block current = m_blocks.empty() ? Block::None : m_blocks.back();
    switch (token.type) {
      case CssTokenType::Function: m_blocks.push_back(FunctionBlock(token.value, importTarget)); return true;
      case CssTokenType::LeftParen: m_blocks.push_back(Block::Paren); return true;
      case CssTokenType::LeftBracket: m_blocks.push_back(Block::Bracket); return true;
      case CssTokenType::LeftBrace: m_blocks.push_back(Block::Brace); return true;
      case CssTokenType::RightParen:
        if (ClosesWithParen(current)) m_blocks.pop_back();
        return true;
      case CssTokenType::RightBracket:
        if (current == Block::Bracket) m_blocks.pop_back();
        return true;
      case CssTokenType::RightBrace:
        if (current == Block::Brace) {
          m_blocks.pop_back();
          if (m_blocks.empty()) m_rule = Rule::Start;
        }
        return true;
      default: return false;
    }
  }

  static Block FunctionBlock(std::string_view name, bool importTarget) {
    if (EqualsIgnoringAsciiCase(name, "url")) return importTarget ? Block::ImportUrl : Block::Url;
    if (EqualsIgnoringAsciiCase(name, "image-set") || EqualsIgnoringAsciiCase(name, "-webkit-image-set")) {
      return Block::ImageSet;
    }
    return Block::Function;
  }

  void Add(const CssToken& token, CssReferenceKind kind, CssReferenceForm form) {
    const bool namespaceName = m_rule == Rule::AtRule && m_atRule == AtRule::Namespace;
    if (token.value.empty() || namespaceName) return;
    m_references.push_back({token.value, kind, form, token.begin + m_offset, token.end + m_offset});
  }

  std::size_t m_offset;  // of the tokenized text in the whole text
  CssSource m_source;
  std::vector<Block> m_blocks;  // innermost last
  Rule m_rule = Rule::Start;
  AtRule m_atRule = AtRule::Other;
  bool m_importPending = false;  // the next token is what an @import names, if it is a URL
  std::vector<CssReference> m_references;
};

}  // namespace

std::vector<CssReference> FindCssReferences(std::string_view text, CssSource source) {
  const std::size_t offset = text.substr(0, kByteOrderMark.size()) == kByteOrderMark ? kByteOrderMark.size() : 0;
  CssTokenizer tokenizer(text.substr(offset));
  ReferenceFinder finder(offset, source);
  for (const CssToken* token = &tokenizer.Next(); token->type != CssTokenType::End; token = &tokenizer.Next()) {
    finder.Visit(*token);
  }
  return finder.TakeReferences();
}

std::vector<TextEdit> CssReferenceEdits(std::string_view text, const CssReplacement& replace, CssSource source) {
  return CssReferenceEdits(FindCssReferences(text, source), replace);
}

std::vector<TextEdit> CssReferenceEdits(const std::vector<CssReference>& references, const CssReplacement& replace) {
  std::vector<TextEdit> edits;
  for (const CssReference& reference : references) {
    const std::optional<std::string> replacement = replace(reference);
    if (!replacement) continue;
    const std::string quoted = CssQuotedString(*replacement);
    edits.push_back({reference.begin, reference.end,
                     reference.form == CssReferenceForm::UrlToken ? "url(" + quoted + ")" : quoted});
  }
  return edits;
}

std::string RewriteCssReferences(std::string_view text, const CssReplacement& replace, CssSource source) {
  std::string rewritten;
  rewritten.reserve(text.size());
  std::size_t copied = 0;
  for (const TextEdit& edit : CssReferenceEdits(text, replace, source)) {
    rewritten.append(text.substr(copied, static_cast<std::size_t>(edit.begin) - copied));
    rewritten.append(edit.text);
    copied = static_cast<std::size_t>(edit.end);
  }
  rewritten.append(text.substr(copied));
  return rewritten;
}

// Section 4.3.5 read backwards: inside double quotes only the quote, the
// backslash and newlines need escaping; other control characters are escaped
// too so that the written text stays readable. A hexadecimal escape always
// ends in a space, which the escape consumes, so a following hex digit cannot
// extend it.
std::string CssQuotedString(std::string_view url) {
  static constexpr char kHexDigits[] = "0123456789abcdef";
  std::string quoted;
  quoted.reserve(url.size() + 2);
  quoted.push_back('"');
  for (const char c : url) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      quoted.push_back('\\');
      quoted.push_back(c);
    } else if ((byte < 0x20 && c != '\t') || byte == 0x7F) {
      quoted.push_back('\\');
      if (byte >= 0x10) quoted.push_back(kHexDigits[byte >> 4]);
      quoted.push_back(kHexDigits[byte & 0x0F]);
      quoted.push_back(' ');
    } else {
      quoted.push_back(c);
    }
  }
  quoted.push_back('"');
  return quoted;
}
