#pragma once

#include <QWidget>

class QKeyEvent;

// One page of the options sheet. It shows the options when it is built and
// writes its own fields back only when the sheet's OK asks it to; its window
// title is its tab text.
class OptionPage : public QWidget {
 public:
  // Writes this page's fields into ConvertOptions::Instance().
  virtual void Commit() = 0;

 protected:
  // What happens to the help key after the help file was asked for: kept by
  // the page, or handed on to the page's parents like any unhandled key.
  enum class HelpKey { Handled, PassedOn };

  OptionPage(const QString& caption, HelpKey helpKey, QWidget* parent);

  void keyPressEvent(QKeyEvent* event) override;

 private:
  HelpKey m_helpKey;
};
