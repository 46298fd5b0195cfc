#include "log/convert_log.h"

#include <cstdarg>
#include <cstdio>
#include <string>

#include "base/file_io.h"

namespace {

constexpr std::size_t kMessageBufferSize = 4096;

const char* PrefixOf(std::int32_t messageLevel) {
  switch (messageLevel) {
    case LogLevel::INFO:
      return "[INFO]\t\t";
    case LogLevel::WARNING:
      return "[WARNING]\t";
    case LogLevel::ERROR:
      return "[ERROR]\t\t";
    default:
      return "";
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
    std::string line = PrefixOf(messageLevel);
    line.append(message, length);
    line.push_back('\n');
    AppendToFile(path, line);
  } catch (...) {
    // Write is noexcept and is called from the conversion's own error
    // handling: a lost line (ConvertError from the file, bad_alloc from the
    // text) must never stop the conversion or end the program.
  }
}
