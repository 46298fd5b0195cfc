#include "fuzz/mime_decoders.h"

#include <vector>

namespace {

constexpr std::size_t kMaxLine = 76;

int Base64Value(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

int UpperHexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Lines end in CR LF; a carriage return or a line feed alone stays in its
// line, where both decoders refuse it.
std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find("\r\n", start)) != std::string_view::npos; start = end + 2) {
    lines.push_back(text.substr(start, end - start));
  }
  lines.push_back(text.substr(start));  // after the last line end; may be empty
  return lines;
}

bool HasBase64Lines(const std::vector<std::string_view>& lines) {
  for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
    if (lines[i].size() != kMaxLine) return false;
  }
  return lines.back().size() < kMaxLine;
}

// One four-character group; false when it is malformed or padded anywhere
// but at the very end.
bool DecodeGroup(std::string_view group, bool last, std::string& out) {
  int values[4];
  int padding = 0;
  for (int i = 0; i < 4; ++i) {
    if (group[i] == '=') {
      values[i] = 0;
      ++padding;
      continue;
    }
    if (padding != 0) return false;
    values[i] = Base64Value(group[i]);
    if (values[i] < 0) return false;
  }
  if (padding > 2 || (padding != 0 && !last)) return false;
  const unsigned bits = static_cast<unsigned>(values[0] << 18 | values[1] << 12 | values[2] << 6 | values[3]);
  // Unused bits before the padding must be zero (canonical encoding).
  if ((padding == 1 && (bits & 0xFF) != 0) || (padding == 2 && (bits & 0xFFFF) != 0)) return false;
  out.push_back(static_cast<char>(bits >> 16));
  if (padding < 2) out.push_back(static_cast<char>(bits >> 8 & 0xFF));
  if (padding < 1) out.push_back(static_cast<char>(bits & 0xFF));
  return true;
}

bool IsRawQuotedPrintableByte(unsigned char b) { return b == '\t' || (b >= 0x20 && b <= 0x7F && b != '='); }

// One line without its line feed; `softBreak` tells whether it ended in "=".
bool DecodeQuotedPrintableLine(std::string_view line, std::string& out, bool& softBreak) {
  softBreak = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const auto b = static_cast<unsigned char>(line[i]);
    if (b != '=') {
      if (!IsRawQuotedPrintableByte(b)) return false;
      out.push_back(static_cast<char>(b));
      continue;
    }
    if (i + 1 == line.size()) {
      softBreak = true;
      return true;
    }
    if (i + 2 >= line.size()) return false;
    const int high = UpperHexValue(line[i + 1]);
    const int low = UpperHexValue(line[i + 2]);
    if (high < 0 || low < 0) return false;
    out.push_back(static_cast<char>(high << 4 | low));
    i += 2;
  }
  return true;
}

}  // namespace

std::optional<std::string> DecodeStrictBase64(std::string_view text) {
  const std::vector<std::string_view> lines = SplitLines(text);
  if (!HasBase64Lines(lines)) return std::nullopt;
  std::string joined;
  for (const std::string_view line : lines) joined.append(line);
  if (joined.size() % 4 != 0) return std::nullopt;
  std::string out;
  for (std::size_t at = 0; at < joined.size(); at += 4) {
    if (!DecodeGroup(std::string_view(joined).substr(at, 4), at + 4 == joined.size(), out)) return std::nullopt;
  }
  return out;
}

std::optional<std::string> DecodeStrictQuotedPrintable(std::string_view text) {
  const std::vector<std::string_view> lines = SplitLines(text);
  std::string out;
  bool afterHardBreak = false;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string_view line = lines[i];
    const bool endsInLineBreak = i + 1 < lines.size();
    // A line and its break within 76, as the encoder keeps them (RFC 2045
    // allows 76 before the break).
    if (line.size() + (endsInLineBreak ? 1 : 0) > kMaxLine) return std::nullopt;
    // A "." opening a line of the message could end an SMTP body.
    if (afterHardBreak && !line.empty() && line.front() == '.') return std::nullopt;
    bool softBreak = false;
    if (!DecodeQuotedPrintableLine(line, out, softBreak)) return std::nullopt;
    if (softBreak && !endsInLineBreak) return std::nullopt;
    if (!softBreak && !line.empty() && (line.back() == ' ' || line.back() == '\t')) return std::nullopt;
    afterHardBreak = endsInLineBreak && !softBreak;
    if (afterHardBreak) out.push_back('\n');
  }
  return out;
}
