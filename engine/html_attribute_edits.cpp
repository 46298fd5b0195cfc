#include "engine/html_attribute_edits.h"

#include <lexbor/ns/const.h>

#include "engine/html_names.h"
#include "engine/html_text_decoding.h"

namespace {

const lxb_dom_attr_t* ParsedAttribute(const lxb_dom_node_t& element, std::string_view name) {
  for (const lxb_dom_attr_t* attribute = lxb_dom_interface_element(&element)->first_attr; attribute != nullptr;
       attribute = attribute->next) {
    if (EqualsIgnoringAsciiCase(AttributeQualifiedName(*attribute), name)) return attribute;
  }
  return nullptr;
}

}  // namespace

const std::vector<AttributeEdits::Edit>* AttributeEdits::EditsOf(const lxb_dom_node_t& element) const {
  const auto found = m_edits.find(&element);
  return found == m_edits.end() ? nullptr : &found->second;
}

const AttributeEdits::Edit* AttributeEdits::Find(const std::vector<Edit>* edits, std::string_view name) {
  if (edits == nullptr) return nullptr;
  for (const Edit& edit : *edits) {
    if (EqualsIgnoringAsciiCase(edit.name, name)) return &edit;
  }
  return nullptr;
}

bool AttributeEdits::Has(const lxb_dom_node_t& element, std::string_view name) const {
  return Find(EditsOf(element), name) != nullptr || ParsedAttribute(element, name) != nullptr;
}

std::optional<std::string> AttributeEdits::Value(const lxb_dom_node_t& element, std::string_view name) const {
  if (const Edit* edit = Find(EditsOf(element), name)) return edit->value;
  if (const lxb_dom_attr_t* parsed = ParsedAttribute(element, name)) {
    std::string repaired;
    return std::string(WellFormedUtf8(AttributeValue(*parsed), repaired));
  }
  return std::nullopt;
}

void AttributeEdits::Set(const lxb_dom_node_t& element, std::string_view name, std::string_view value) {
  std::vector<Edit>& edits = m_edits[&element];
  for (Edit& edit : edits) {
    if (EqualsIgnoringAsciiCase(edit.name, name)) {
      edit.value = value;
      return;
    }
  }
  if (const lxb_dom_attr_t* parsed = ParsedAttribute(element, name)) {
    edits.push_back({std::string(AttributeQualifiedName(*parsed)), std::string(value), false});
    return;
  }
  // As in a browser's DOM, names set on HTML elements are lower-cased.
  const bool html = element.ns == LXB_NS_HTML;
  edits.push_back({html ? AsciiLower(name) : std::string(name), std::string(value), true});
}

void AttributeEdits::ForEach(const lxb_dom_node_t& element,
                             const std::function<void(std::string_view, std::string_view)>& visit) const {
  const std::vector<Edit>* edits = EditsOf(element);
  for (const lxb_dom_attr_t* attribute = lxb_dom_interface_element(&element)->first_attr; attribute != nullptr;
       attribute = attribute->next) {
    const std::string_view name = AttributeQualifiedName(*attribute);
    const Edit* edit = Find(edits, name);
    std::string repaired;
    visit(name, edit != nullptr ? std::string_view(edit->value) : WellFormedUtf8(AttributeValue(*attribute), repaired));
  }
  if (edits == nullptr) return;
  for (const Edit& edit : *edits) {
    if (edit.added) visit(edit.name, edit.value);
  }
}
