#pragma once

#include "options/sheet/option_page.h"

class QCheckBox;
class QRadioButton;

// How the rewritten page points at the archive's parts (file: links matched
// by Content-Location, or cid: links matched by Content-ID), whether the
// archive also takes what stylesheets, media elements and frames need, and
// whether it fetches the page's remote files.
class ArchivePage : public OptionPage {
 public:
  explicit ArchivePage(QWidget* parent = nullptr);

  void Commit() override;

 private:
  void BuildControls();
  void OnInitDialog();

  // Owned through their Qt parent, this page.
  QRadioButton* m_fileLinks = nullptr;
  QRadioButton* m_cidLinks = nullptr;
  QCheckBox* m_complete = nullptr;
  QCheckBox* m_remote = nullptr;
};
