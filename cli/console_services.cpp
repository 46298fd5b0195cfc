#include "cli/console_services.h"

int ConsoleServices::ShowMessage(const std::string& text, unsigned style) {
  const bool information = (style & 0xF0u) == MessageStyle::kIconInformation;
  (information ? m_out : m_err) << text << '\n';
  return MessageAnswer::kOk;
}

void ConsoleServices::ShowShellFailure(const std::string& text) { m_err << text << '\n'; }

bool ConsoleServices::OpenPath(const std::string&) { return false; }

std::optional<std::string> ConsoleServices::ChooseOpenFile(const std::string&) { return std::nullopt; }
