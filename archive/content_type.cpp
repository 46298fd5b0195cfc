#include "archive/content_type.h"

#include "base/path_text.h"

namespace {

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

}  // namespace

std::string MediaTypeOf(std::string_view contentType) {
  return ToLower(Trimmed(contentType.substr(0, contentType.find(';'))));
}

std::string CharsetParameter(std::string_view contentType) {
  for (std::size_t semicolon = contentType.find(';'); semicolon != std::string_view::npos;) {
    const std::size_t next = contentType.find(';', semicolon + 1);
    const std::string_view parameter = Trimmed(contentType.substr(semicolon + 1, next - semicolon - 1));
    const std::size_t equals = parameter.find('=');
    if (equals != std::string_view::npos && ToLower(Trimmed(parameter.substr(0, equals))) == "charset") {
      std::string_view value = Trimmed(parameter.substr(equals + 1));
      if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
      return ToLower(value);
    }
    semicolon = next;
  }
  return {};
}

bool IsTextMediaType(std::string_view mediaType) {
  return mediaType.starts_with("text/") || mediaType == "application/javascript" ||
         mediaType == "application/x-javascript" || mediaType == "application/json" || mediaType == "application/xml" ||
         mediaType == "image/svg+xml" || mediaType.ends_with("+xml");
}
