// Any text goes through the CSS tokenizer and the stylesheet reference
// rewriter, read both as a stylesheet and as a style attribute:
// - the tokens cover the text exactly, in order, without gap or overlap;
// - a reference's span, tokenized alone, is one token whose value is the URL;
// - a rewriter that declines every URL gives the text back byte for byte;
// - replacing every URL by an awkward one (quotes, backslashes, newlines,
//   parentheses) and finding the references again gives exactly the
//   replacements, of the same kinds, in the same order.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/css_references.h"
#include "engine/css_tokenizer.h"
#include "fuzz/fuzz_check.h"

namespace {

void CheckTokensCoverText(std::string_view text) {
  CssTokenizer tokenizer(text);
  std::size_t reached = 0;
  for (;;) {
    const CssToken& token = tokenizer.Next();
    Require(token.begin == reached, "each token begins where the previous one ended");
    if (token.type == CssTokenType::End) break;
    Require(token.end > token.begin && token.end <= text.size(), "a token holds at least one byte of the text");
    reached = token.end;
  }
  Require(reached == text.size(), "the tokens reach the end of the text");
  Require(tokenizer.Next().type == CssTokenType::End, "the end repeats");
}

void CheckSpans(std::string_view text, const std::vector<CssReference>& references) {
  std::size_t previousEnd = 0;
  for (const CssReference& reference : references) {
    Require(!reference.url.empty(), "an empty URL is not a reference");
    Require(previousEnd <= reference.begin && reference.begin < reference.end && reference.end <= text.size(),
            "references lie in order inside the text");
    previousEnd = reference.end;
    CssTokenizer alone(text.substr(reference.begin, reference.end - reference.begin));
    const CssToken& token = alone.Next();
    const auto expected = reference.form == CssReferenceForm::UrlToken ? CssTokenType::Url : CssTokenType::String;
    Require(token.type == expected && token.end == reference.end - reference.begin,
            "a reference's span is one token of its form");
    Require(token.value == reference.url, "the span's token holds the URL");
  }
}

std::string AwkwardUrl(std::size_t index) {
  return "r" + std::to_string(index) + "\"'\\ ()\n\r\f\t;{}/*x*/,\x7f\x01\xC3\xA9";
}

void CheckRewrites(std::string_view text, CssSource source) {
  const std::vector<CssReference> references = FindCssReferences(text, source);
  CheckSpans(text, references);

  const auto decline = [](const CssReference&) -> std::optional<std::string> { return std::nullopt; };
  RequireSameText(text, RewriteCssReferences(text, decline, source), "declining every URL keeps the text");

  std::size_t index = 0;
  const auto awkward = [&index](const CssReference&) -> std::optional<std::string> { return AwkwardUrl(index++); };
  const std::string rewritten = RewriteCssReferences(text, awkward, source);
  Require(index == references.size(), "the callback is asked once per reference");
  const std::vector<CssReference> again = FindCssReferences(rewritten, source);
  CheckSpans(rewritten, again);
  Require(again.size() == references.size(), "rewriting keeps the number of references");
  for (std::size_t i = 0; i < again.size(); ++i) {
    RequireSameText(AwkwardUrl(i), again[i].url, "a replacement reads back as written");
    Require(again[i].kind == references[i].kind, "a replacement keeps its kind");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  CheckTokensCoverText(text);
  CheckRewrites(text, CssSource::Stylesheet);
  CheckRewrites(text, CssSource::StyleAttribute);
  return 0;
}
