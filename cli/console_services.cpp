#include "cli/console_services.h"

#include "base/version.h"

MessageAnswer ConsoleServices::ShowMessage(const std::string& text, MessageStyle style) {
  const bool information = IconOf(style) == MessageStyle::kIconInformation;
  Err() << (information ? "" : SCRIVANE_CLI_PROGRAM ": ") << text << '\n';
  return MessageAnswer::kOk;
}

void ConsoleServices::ShowShellFailure(const std::string& text) { Err() << text << '\n'; }

bool ConsoleServices::OpenPath(const std::string&) { return false; }

std::optional<std::string> ConsoleServices::ChooseOpenFile(const std::string&) { return std::nullopt; }
