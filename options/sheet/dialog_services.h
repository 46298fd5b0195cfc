#pragma once

#include <optional>
#include <string>

#include "options/ui_services.h"

class QDialog;

// Where a save dialog opens and what it proposes.
struct SaveFileQuestion {
  std::string filter;  // "Description|patterns|...||", as for ChooseOpenFile
  std::string folder;  // the folder it starts in
  std::string name;    // the file name it proposes
};

// The desktop services of the window front end: everything UiServices offers,
// plus running a modal dialog and choosing where to save, so a test can answer
// any dialog it opens.
class DialogServices : public UiServices {
 public:
  // Runs `dialog` modally and gives its result (QDialog::Accepted or Rejected).
  virtual int Exec(QDialog& dialog) = 0;
  // The file-save dialog, titled "Save", which asks before a chosen file that
  // exists is replaced; nothing when the user cancels.
  virtual std::optional<std::string> ChooseSaveFile(const SaveFileQuestion& question) = 0;
};
