#include "options/sheet/option_page.h"

#include <QKeyEvent>

#include "options/convert_options.h"
#include "options/sheet/page_font.h"

OptionPage::OptionPage(const QString& caption, HelpKey helpKey, QWidget* parent) : QWidget(parent), m_helpKey(helpKey) {
  setWindowTitle(caption);
  // Set here rather than inherited from the sheet, because the pages measure
  // their controls while they are built, before the sheet adopts them.
  setFont(PageFont());
}

void OptionPage::keyPressEvent(QKeyEvent* event) {
  if (!event->matches(QKeySequence::HelpContents)) {
    QWidget::keyPressEvent(event);
    return;
  }
  ConvertOptions::Instance().OpenHelp();
  if (m_helpKey == HelpKey::Handled) {
    event->accept();
  } else {
    event->ignore();
  }
}
