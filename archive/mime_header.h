#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The fields of one MIME header (RFC 5322 section 2.2, RFC 2045 section 5),
// read from its lines: folded lines joined, field names compared without
// regard to case.
class MimeHeader {
 public:
  // Adds a line of the header, without its line break. False when the line
  // is neither a field ("Name: value") nor the continuation of one.
  bool AddLine(std::string_view line);
  // The length of the field read last, folded lines included.
  std::size_t LastFieldSize() const { return m_fields.empty() ? 0 : m_fields.back().second.size(); }

  // The first field of that name, unfolded (RFC 5322: the line breaks
  // taken out), surrounding white space trimmed; empty when there is none.
  std::string Field(std::string_view name) const;
  // The same with the white space that began each folded line taken out
  // too: a URL folded over lines (RFC 2557 section 4.4.1).
  std::string FieldWithoutFolds(std::string_view name) const;
  void Clear() { m_fields.clear(); }

 private:
  const std::string* Find(std::string_view name) const;

  // Lower-cased name, and the value as written with a line feed where each
  // folded line began.
  std::vector<std::pair<std::string, std::string>> m_fields;
};

// A Content-Type value: "type/subtype; name=value; name="quoted value"".
struct ContentType {
  std::string type;  // "type/subtype", lower-cased; empty when absent or unreadable
  std::vector<std::pair<std::string, std::string>> parameters;  // lower-cased name, value unquoted

  // The value of the parameter of that name; empty when there is none.
  std::string Parameter(std::string_view name) const;
};

ContentType ParseContentType(std::string_view value);

// A Content-ID as its message identifier: "<id@host>" without the angle
// brackets and surrounding white space.
std::string ParseContentId(std::string_view value);
