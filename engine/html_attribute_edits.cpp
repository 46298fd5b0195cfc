#include "engine/html_attribute_edits.h"

#include "engine/html_names.h"
#include "engine/html_text_decoding.h"

namespace {

const GumboAttribute* ParsedAttribute(const GumboNode& element, std::string_view name) {
  const GumboVector& attributes = element.v.element.attributes;
  for (unsigned int i = 0; i < attributes.length; ++i) {
    const auto* attribute = static_cast<const GumboAttribute*>(attributes.data[i]);
    if (EqualsIgnoringAsciiCase(AttributeQualifiedName(*attribute), name)) return attribute;
  }
  return nullptr;
}

}  // namespace

const std::vector<AttributeEdits::Edit>* AttributeEdits::EditsOf(const GumboNode& element) const {
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

bool AttributeEdits::Has(const GumboNode& element, std::string_view name) const {
  return Find(EditsOf(element), name) != nullptr || ParsedAttribute(element, name) != nullptr;
}

std::optional<std::string> AttributeEdits::Value(const GumboNode& element, std::string_view name) const {
  if (const Edit* edit = Find(EditsOf(element), name)) return edit->value;
  if (const GumboAttribute* parsed = ParsedAttribute(element, name)) {
    std::string repaired;
    return std::string(WellFormedUtf8(parsed->value, repaired));
  }
  return std::nullopt;
}

void AttributeEdits::Set(const GumboNode& element, std::string_view name, std::string_view value) {
  std::vector<Edit>& edits = m_edits[&element];
  for (Edit& edit : edits) {
    if (EqualsIgnoringAsciiCase(edit.name, name)) {
      edit.value = value;
      return;
    }
  }
  if (const GumboAttribute* parsed = ParsedAttribute(element, name)) {
    edits.push_back({AttributeQualifiedName(*parsed), std::string(value), false});
    return;
  }
  // As in a browser's DOM, names set on HTML elements are lower-cased.
  const bool html = element.v.element.tag_namespace == GUMBO_NAMESPACE_HTML;
  edits.push_back({html ? AsciiLower(name) : std::string(name), std::string(value), true});
}

void AttributeEdits::ForEach(const GumboNode& element,
                             const std::function<void(std::string_view, std::string_view)>& visit) const {
  const std::vector<Edit>* edits = EditsOf(element);
  const GumboVector& attributes = element.v.element.attributes;
  for (unsigned int i = 0; i < attributes.length; ++i) {
    const auto* attribute = static_cast<const GumboAttribute*>(attributes.data[i]);
    const std::string name = AttributeQualifiedName(*attribute);
    const Edit* edit = Find(edits, name);
    std::string repaired;
    visit(name, edit != nullptr ? std::string_view(edit->value) : WellFormedUtf8(attribute->value, repaired));
  }
  if (edits == nullptr) return;
  for (const Edit& edit : *edits) {
    if (edit.added) visit(edit.name, edit.value);
  }
}
