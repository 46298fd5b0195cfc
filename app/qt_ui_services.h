#pragma once

#include "options/sheet/dialog_services.h"

// The desktop services of the window front end, on Qt's message boxes and
// file dialog and the desktop's default handlers.
class QtUiServices : public DialogServices {
 public:
  MessageAnswer ShowMessage(const std::string& text, MessageStyle style) override;
  MessageAnswer ShowDetailedMessage(const std::string& text, MessageStyle style, const std::string& details) override;
  void ShowShellFailure(const std::string& text) override;
  bool OpenPath(const std::string& path) override;
  std::optional<std::string> ChooseOpenFile(const std::string& filter) override;
  std::optional<std::string> ChooseSaveFile(const SaveFileQuestion& question) override;
  int Exec(QDialog& dialog) override;
};
