#include "base/media_types.h"

#include "base/convert_error.h"
#include "base/file_io.h"

namespace {

bool IsFieldSeparator(char c) { return c == ' ' || c == '\t' || c == '\r'; }

// The next blank-separated field of `line`, removed from it; empty at the end.
std::string_view TakeField(std::string_view& line) {
  std::size_t start = 0;
  while (start < line.size() && IsFieldSeparator(line[start])) ++start;
  std::size_t end = start;
  while (end < line.size() && !IsFieldSeparator(line[end])) ++end;
  const std::string_view field = line.substr(start, end - start);
  line.remove_prefix(end);
  return field;
}

}  // namespace

MediaTypeTable ParseMediaTypes(std::string_view text) {
  MediaTypeTable table;
  while (!text.empty()) {
    const std::size_t lineEnd = text.find('\n');
    std::string_view line = text.substr(0, lineEnd);
    text.remove_prefix(lineEnd == std::string_view::npos ? text.size() : lineEnd + 1);
    line = line.substr(0, line.find('#'));
    const std::string_view type = TakeField(line);
    for (std::string_view extension = TakeField(line); !extension.empty(); extension = TakeField(line)) {
      table.emplace(extension, type);
    }
  }
  return table;
}

MediaTypeTable ReadMediaTypes(const std::string& path) {
  try {
    return ParseMediaTypes(ReadWholeFile(path));
  } catch (const ConvertError&) {
    // Without the system's table, types come from the options alone.
    return {};
  }
}

const MediaTypeTable& SystemMediaTypes() {
  static const MediaTypeTable table = ReadMediaTypes();
  return table;
}
