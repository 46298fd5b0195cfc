#pragma once

#include "options/ui_services.h"

class QDialog;

// The desktop services of the window front end: everything UiServices offers,
// plus running a modal dialog, so a test can answer any dialog it opens.
class DialogServices : public UiServices {
 public:
  // Runs `dialog` modally and gives its result (QDialog::Accepted or Rejected).
  virtual int Exec(QDialog& dialog) = 0;
};
