#pragma once

#include <gumbo.h>

#include <string>
#include <string_view>
#include <unordered_map>

// Element text set after parsing, kept beside gumbo's tree as AttributeEdits
// keeps attribute values, so that gumbo's memory is never written to. An
// element with an edit holds that text in place of all its children.
class TextEdits {
 public:
  // The text set for `element`; null when it has none.
  const std::string* Text(const GumboNode& element) const;
  void Set(const GumboNode& element, std::string_view text);

 private:
  std::unordered_map<const GumboNode*, std::string> m_texts;  // owned texts, keyed by element
};
