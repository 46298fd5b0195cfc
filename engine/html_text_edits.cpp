#include "engine/html_text_edits.h"

const std::string* TextEdits::Text(const lxb_dom_node_t& element) const {
  const auto found = m_texts.find(&element);
  return found == m_texts.end() ? nullptr : &found->second;
}

void TextEdits::Set(const lxb_dom_node_t& element, std::string_view text) { m_texts[&element] = text; }
