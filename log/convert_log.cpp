#include "log/convert_log.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <string>
#include <string_view>

#include "base/file_io.h"

namespace {

constexpr std::size_t kMessageBufferSize = 4096;

const char* PrefixOf(std::int32_t messageLevel) {
  switch (messageLevel) {
    case LogLevel::INFO: return "[INFO]\t\t";
    case LogLevel::WARNING: return "[WARNING]\t";
    case LogLevel::ERROR: return "[ERROR]\t\t";
    default: return "";
  }
}

// Length of `text` without a UTF-8 sequence that the buffer's end cut off,
// so a shortened message stays readable text.
std::size_t WithoutCutSequence(const char* text, std::size_t length) {
  std::size_t start = length;
  while (start > 0 && (static_cast<unsigned char>(text[start - 1]) & 0xC0) == 0x80 && length - start < 3) {
    --start;
  }
  if (start == 0) {
    return length;
  }
  const auto lead = static_cast<unsigned char>(text[start - 1]);
  const std::size_t expected = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
  const std::size_t present = length - start + 1;
  return expected > present && lead >= 0xC0 ? start - 1 : length;
}

// C0 controls, DEL and the C1 controls (U+0080 to U+009F, two bytes in
// UTF-8): what could end a line or drive a terminal.
std::size_t ControlLength(std::string_view text, std::size_t at) {
  const auto byte = static_cast<unsigned char>(text[at]);
  if (byte < 0x20 || byte == 0x7F) return 1;
  if (byte == 0xC2 && at + 1 < text.size()) {
    const auto next = static_cast<unsigned char>(text[at + 1]);
    if (next >= 0x80 && next <= 0x9F) return 2;
  }
  return 0;
}

// Each byte of a control character becomes \xNN, so that a path or a value
// taken from a page can neither start a line of its own nor reach a terminal
// as a command; every other byte stays as it is.
void AppendEscaped(std::string& line, std::string_view text) {
  constexpr char kHex[] = "0123456789ABCDEF";
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t control = ControlLength(text, i);
    if (control == 0) {
      line.push_back(text[i++]);
      continue;
    }
    for (const std::size_t end = i + control; i < end; ++i) {
      const auto byte = static_cast<unsigned char>(text[i]);
      line += "\\x";
      line.push_back(kHex[byte >> 4]);
      line.push_back(kHex[byte & 15]);
    }
  }
}

std::size_t TrailingLineFeeds(std::string_view text) {
  const std::size_t last = text.find_last_not_of('\n');
  return last == std::string_view::npos ? text.size() : text.size() - last - 1;
}

}  // namespace

void CConvertLog::Write(std::int32_t messageLevel, const char* format, ...) noexcept {
  if (messageLevel < level || path.empty()) {
    return;
  }
  // Counted before anything can fail, so the summary reports lines that did
  // not reach the file too.
  if (messageLevel == LogLevel::WARNING) {
    ++warnings;
  } else if (messageLevel == LogLevel::ERROR) {
    ++errors;
  }
  char message[kMessageBufferSize];
  va_list arguments;
  va_start(arguments, format);
  const int wanted = std::vsnprintf(message, sizeof message, format, arguments);
  va_end(arguments);
  if (wanted < 0) {
    return;
  }
  std::size_t length = static_cast<std::size_t>(wanted);
  if (length >= sizeof message) {
    length = WithoutCutSequence(message, sizeof message - 1);
  }
  try {
    // Line feeds that the format itself ends in are the only control
    // characters meant for the file.
    const std::string_view text(message, length);
    const std::size_t ownLineFeeds = std::min(TrailingLineFeeds(format), TrailingLineFeeds(text));
    std::string line = PrefixOf(messageLevel);
    AppendEscaped(line, text.substr(0, text.size() - ownLineFeeds));
    // Each line ends in CR LF, its own and those the format ends in: the
    // log's lines have always ended so, and whatever reads them keeps working.
    for (std::size_t end = 0; end <= ownLineFeeds; ++end) line.append("\r\n");
    AppendToFile(path, line);
  } catch (...) {
    // Write is noexcept and is called from the conversion's own error
    // handling: a lost line (ConvertError from the file, bad_alloc from the
    // text) must never stop the conversion or end the program.
  }
}

void CConvertLog::LeftOut(const char* what, const std::string& filePath, const std::string& reason) noexcept {
  Write(LogLevel::WARNING, "%s: %s", what, filePath.c_str());
  try {
    if (!leftOutPaths.insert(filePath).second) return;
    std::string line;
    AppendEscaped(line, std::string(what) + ": " + filePath + (reason.empty() ? "" : ": " + reason));
    leftOut.push_back(std::move(line));
  } catch (...) {
    // As for a lost log line: running out of memory for the message must
    // not stop the conversion that met the file.
  }
}
