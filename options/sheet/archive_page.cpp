#include "options/sheet/archive_page.h"

#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

#include "archive/link_style.h"
#include "options/convert_options.h"
#include "options/sheet/page_font.h"

ArchivePage::ArchivePage(QWidget* parent) : OptionPage(QStringLiteral(" Arc&hive "), HelpKey::Handled, parent) {
  BuildControls();
  OnInitDialog();
}

void ArchivePage::BuildControls() {
  const DialogUnits units(font());

  auto* label = new QLabel(QStringLiteral("Links from the page to the files inside the archive:"), this);
  m_fileLinks = new QRadioButton(QStringLiteral("&file: links (the classic form)"), this);
  m_cidLinks = new QRadioButton(QStringLiteral("&cid: links (needed by Chromium-based browsers: Chrome, Edge)"), this);
  m_fileLinks->setObjectName(QStringLiteral("fileLinks"));
  m_cidLinks->setObjectName(QStringLiteral("cidLinks"));
  auto* note =
      new QLabel(QStringLiteral("Chromium-based browsers refuse file: links inside an archive and show such files only "
                                "through cid: links."),
                 this);
  note->setObjectName(QStringLiteral("note"));
  note->setWordWrap(true);
  m_complete = new QCheckBox(QStringLiteral("&Also archive what stylesheets, media elements and frames need"), this);
  m_complete->setObjectName(QStringLiteral("complete"));
  m_remote = new QCheckBox(QStringLiteral("Also fetch &remote files (http and https) into the archive"), this);
  m_remote->setObjectName(QStringLiteral("remote"));

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(units.X(7), units.Y(7), units.X(7), units.Y(7));
  layout->setSpacing(units.Y(4));
  layout->addWidget(label);
  layout->addWidget(m_fileLinks);
  layout->addWidget(m_cidLinks);
  layout->addSpacing(units.Y(8));
  layout->addWidget(note);
  layout->addSpacing(units.Y(8));
  layout->addWidget(m_complete);
  layout->addWidget(m_remote);
  layout->addStretch();
}

void ArchivePage::OnInitDialog() {
  const bool cid = ConvertOptions::Instance().linkStyle == LinkStyle::Cid;
  m_cidLinks->setChecked(cid);
  m_fileLinks->setChecked(!cid);
  m_complete->setChecked(ConvertOptions::Instance().completeArchive);
  m_remote->setChecked(ConvertOptions::Instance().remote);
}

void ArchivePage::Commit() {
  ConvertOptions& options = ConvertOptions::Instance();
  options.linkStyle = m_cidLinks->isChecked() ? LinkStyle::Cid : LinkStyle::File;
  options.completeArchive = m_complete->isChecked();
  options.remote = m_remote->isChecked();
}
