#include "engine/charset_declaration.h"

#include <string>

#include "engine/html_document.h"
#include "engine/html_encoding_labels.h"
#include "engine/html_names.h"

namespace {

constexpr std::string_view kUtf8Label = "utf-8";

bool IsSpace(char c) { return c == '\t' || c == '\n' || c == '\f' || c == '\r' || c == ' '; }

bool NamesUtf8(std::string_view label) { return EncodingForLabel(label) == std::optional<std::string_view>("UTF-8"); }

bool IsContentTypePragma(const HtmlDocument& document, HtmlElement meta) {
  const std::optional<std::string> httpEquiv = document.GetAttribute(meta, "http-equiv");
  return httpEquiv && EqualsIgnoringAsciiCase(*httpEquiv, "content-type");
}

}  // namespace

std::optional<CharsetSpan> FindCharsetInContent(std::string_view content) {
  const std::string lower = AsciiLower(content);
  std::size_t position = 0;
  while ((position = lower.find("charset", position)) != std::string::npos) {
    position += 7;
    while (position < content.size() && IsSpace(content[position])) ++position;
    if (position >= content.size() || content[position] != '=') continue;
    ++position;
    while (position < content.size() && IsSpace(content[position])) ++position;
    if (position >= content.size()) return std::nullopt;
    const char first = content[position];
    if (first == '"' || first == '\'') {
      const std::size_t close = content.find(first, position + 1);
      if (close == std::string_view::npos) return std::nullopt;
      return CharsetSpan{position + 1, close - position - 1};
    }
    std::size_t end = position;
    while (end < content.size() && !IsSpace(content[end]) && content[end] != ';') ++end;
    return CharsetSpan{position, end - position};
  }
  return std::nullopt;
}

void DeclareUtf8(HtmlDocument& document) {
  for (const HtmlElement& meta : document.ElementsByTagName("meta")) {
    if (const std::optional<std::string> charset = document.GetAttribute(meta, "charset");
        charset && !NamesUtf8(*charset)) {
      document.SetAttribute(meta, "charset", kUtf8Label);
    }
    if (!IsContentTypePragma(document, meta)) continue;
    std::optional<std::string> content = document.GetAttribute(meta, "content");
    if (!content) continue;
    const std::optional<CharsetSpan> span = FindCharsetInContent(*content);
    if (!span || NamesUtf8(std::string_view(*content).substr(span->offset, span->length))) continue;
    content->replace(span->offset, span->length, kUtf8Label);
    document.SetAttribute(meta, "content", *content);
  }
}
