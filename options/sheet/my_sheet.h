#pragma once

#include <QDialog>
#include <vector>

class OptionPage;
class DialogServices;
class QKeyEvent;
class QTabWidget;

// The options sheet: every page is built from the current options when the
// sheet opens, and OK has every page write its own fields back. Cancel,
// Escape and the close button write nothing.
class CMySheet : public QDialog {
  Q_OBJECT
 public:
  explicit CMySheet(DialogServices& services, QWidget* parent = nullptr);

  void accept() override;

 protected:
  // The help key, when the focus is outside the pages (on the tab bar or the
  // sheet's buttons), asks for the help as the pages do.
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void AddPage(OptionPage* page);

  QTabWidget* m_tabs = nullptr;      // owned through its Qt parent, this sheet
  std::vector<OptionPage*> m_pages;  // owned by m_tabs
};
