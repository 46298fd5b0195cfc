#include "options/sheet/my_sheet.h"

#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "options/convert_options.h"
#include "options/sheet/archive_page.h"
#include "options/sheet/dialog_services.h"
#include "options/sheet/list_pages.h"
#include "options/sheet/log_page.h"
#include "options/sheet/page_font.h"
#include "options/string_table.h"

CMySheet::CMySheet(DialogServices& services, QWidget* parent) : QDialog(parent) {
  setWindowTitle(QString::fromUtf8(LoadStringResource(StringId::kOptionsCaption)));
  setModal(true);
  setFont(PageFont());

  m_tabs = new QTabWidget(this);
  AddPage(new CResPage(services));
  AddPage(new CScriptPage(services));
  AddPage(new CMimePage(services));
  AddPage(new CLogPage(services));
  AddPage(new ArchivePage);
  m_tabs->setCurrentIndex(0);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  // Qt's own texts give OK no mnemonic.
  buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("&OK"));
  buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("&Cancel"));
  connect(buttons, &QDialogButtonBox::accepted, this, &CMySheet::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &CMySheet::reject);

  auto* layout = new QVBoxLayout(this);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  layout->addWidget(m_tabs);
  layout->addWidget(buttons);
}

void CMySheet::AddPage(OptionPage* page) {
  m_tabs->addTab(page, page->windowTitle());
  m_pages.push_back(page);
}

void CMySheet::accept() {
  for (OptionPage* page : m_pages) page->Commit();
  QDialog::accept();
}

// A page that hands the key on after asking for the help sends it here too;
// only a key pressed outside the current page is still unanswered.
void CMySheet::keyPressEvent(QKeyEvent* event) {
  QWidget* page = m_tabs->currentWidget();
  if (event->matches(QKeySequence::HelpContents) && !page->isAncestorOf(focusWidget())) {
    ConvertOptions::Instance().OpenHelp();
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}
