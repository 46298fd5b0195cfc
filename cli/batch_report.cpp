#include "cli/batch_report.h"

#include <cstdio>
#include <string_view>

#include "base/utf8_text.h"

namespace {

void AppendJsonString(std::string& line, std::string_view text) {
  line.push_back('"');
  for (std::size_t i = 0; i < text.size();) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte == '"' || byte == '\\') {
      line.push_back('\\');
      line.push_back(text[i++]);
    } else if (byte < 0x20 || byte == 0x7F) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
      line += escaped;
      ++i;
    } else if (byte < 0x80) {
      line.push_back(text[i++]);
    } else {
      std::size_t subpart = 1;
      const std::size_t length = Utf8SequenceLength(text.substr(i), &subpart);
      if (length == 0) {
        line += "\\ufffd";
        i += subpart;
      } else {
        line.append(text.substr(i, length));
        i += length;
      }
    }
  }
  line.push_back('"');
}

void AppendField(std::string& line, std::string_view name, std::string_view value) {
  line += ",\"";
  line += name;
  line += "\":";
  AppendJsonString(line, value);
}

void AppendField(std::string& line, std::string_view name, std::uint64_t value) {
  line += ",\"";
  line += name;
  line += "\":";
  line += std::to_string(value);
}

std::string OneDecimal(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", value);
  return text;
}

}  // namespace

std::string ReportLine(const PageOutcome& outcome) {
  std::string line = "{\"input\":";
  AppendJsonString(line, outcome.input);
  AppendField(line, "output", outcome.output);
  AppendField(line, "status", outcome.converted ? "converted" : "failed");
  if (!outcome.converted) AppendField(line, "message", outcome.message);
  AppendField(line, "parts", outcome.parts);
  AppendField(line, "files_left_out", outcome.filesLeftOut);
  AppendField(line, "bytes", outcome.bytes);
  AppendField(line, "milliseconds", outcome.milliseconds);
  return line + "}\n";
}

std::string ByteCount(std::uint64_t bytes) {
  if (bytes >= 1'000'000) return OneDecimal(static_cast<double>(bytes) / 1e6) + " MB";
  if (bytes >= 1000) return std::to_string(bytes / 1000) + " kB";
  return std::to_string(bytes) + " B";
}

std::string SummaryLine(std::size_t converted, std::size_t failed, std::uint64_t bytes, std::uint64_t milliseconds) {
  const std::size_t pages = converted + failed;
  return std::to_string(converted) + " of " + std::to_string(pages) + (pages == 1 ? " page" : " pages") +
         " converted, " + std::to_string(failed) + " failed (" + ByteCount(bytes) + ", " +
         OneDecimal(static_cast<double>(milliseconds) / 1000.0) + " s)";
}
