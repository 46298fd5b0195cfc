#include "archive/mime_header.h"

#include "base/path_text.h"

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsSpace(text.back())) text.remove_suffix(1);
  return text;
}

// RFC 2045 "tspecials" end a token.
bool IsTokenCharacter(char c) {
  return static_cast<unsigned char>(c) > 0x20 && c != 0x7F &&
         std::string_view("()<>@,;:\\\"/[]?=").find(c) == std::string_view::npos;
}

// A token or a quoted string from the front of `text`, which loses it.
std::string TakeValue(std::string_view& text) {
  std::string value;
  if (!text.empty() && text.front() == '"') {
    std::size_t at = 1;
    for (; at < text.size() && text[at] != '"'; ++at) {
      if (text[at] == '\\' && at + 1 < text.size()) ++at;
      value.push_back(text[at]);
    }
    text.remove_prefix(std::min(at + 1, text.size()));
    return value;
  }
  std::size_t end = 0;
  while (end < text.size() && text[end] != ';' && !IsSpace(text[end])) ++end;
  value = text.substr(0, end);
  text.remove_prefix(end);
  return value;
}

}  // namespace

bool MimeHeader::AddLine(std::string_view line) {
  if (!line.empty() && (line.front() == ' ' || line.front() == '\t')) {
    if (m_fields.empty()) return false;
    m_fields.back().second.push_back('\n');
    m_fields.back().second.append(line);
    return true;
  }
  const std::size_t colon = line.find(':');
  if (colon == std::string_view::npos || colon == 0) return false;
  const std::string_view name = Trim(line.substr(0, colon));
  for (const char c : name) {
    if (!IsTokenCharacter(c)) return false;
  }
  m_fields.emplace_back(ToLower(name), std::string(line.substr(colon + 1)));
  return true;
}

const std::string* MimeHeader::Find(std::string_view name) const {
  for (const auto& [fieldName, value] : m_fields) {
    if (fieldName == name) return &value;
  }
  return nullptr;
}

std::string MimeHeader::Field(std::string_view name) const {
  const std::string* value = Find(name);
  if (value == nullptr) return {};
  std::string unfolded;
  for (const char c : *value) {
    if (c != '\n') unfolded.push_back(c);
  }
  return std::string(Trim(unfolded));
}

std::string MimeHeader::FieldWithoutFolds(std::string_view name) const {
  const std::string* value = Find(name);
  if (value == nullptr) return {};
  std::string unfolded;
  bool folded = false;
  for (const char c : *value) {
    if (c == '\n') {
      folded = true;
    } else if (!folded || (c != ' ' && c != '\t')) {
      folded = false;
      unfolded.push_back(c);
    }
  }
  return std::string(Trim(unfolded));
}

std::string ContentType::Parameter(std::string_view name) const {
  for (const auto& [parameterName, value] : parameters) {
    if (parameterName == name) return value;
  }
  return {};
}

ContentType ParseContentType(std::string_view value) {
  ContentType parsed;
  std::string_view text = Trim(value);
  const std::size_t end = std::min(text.find(';'), text.size());
  const std::string_view type = Trim(text.substr(0, end));
  const std::size_t slash = type.find('/');
  bool wellFormed = slash != std::string_view::npos && slash > 0 && slash + 1 < type.size();
  for (const char c : type) wellFormed = wellFormed && (c == '/' || IsTokenCharacter(c));
  if (wellFormed) parsed.type = ToLower(type);
  text.remove_prefix(end);
  while (!text.empty()) {
    text.remove_prefix(1);  // the ';'
    text = Trim(text);
    const std::size_t equals = text.find('=');
    const std::size_t semicolon = std::min(text.find(';'), text.size());
    if (equals == std::string_view::npos || equals > semicolon) {
      text.remove_prefix(semicolon);
      continue;
    }
    std::string name = ToLower(Trim(text.substr(0, equals)));
    text.remove_prefix(equals + 1);
    text = Trim(text);
    std::string parameter = TakeValue(text);
    parsed.parameters.emplace_back(std::move(name), std::move(parameter));
    text.remove_prefix(std::min(text.find(';'), text.size()));
  }
  return parsed;
}

std::string ParseContentId(std::string_view value) {
  std::string_view id = Trim(value);
  if (id.size() >= 2 && id.front() == '<' && id.back() == '>') id = Trim(id.substr(1, id.size() - 2));
  return std::string(id);
}
