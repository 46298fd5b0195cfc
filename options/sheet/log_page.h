#pragma once

#include <QString>

#include "options/sheet/option_page.h"

class DialogServices;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// Whether and how verbosely the conversion log is written, and to which file.
// Logging is off exactly when the stored level is NONE; the stored path is
// kept then but not shown.
class CLogPage : public OptionPage {
 public:
  explicit CLogPage(DialogServices& services, QWidget* parent = nullptr);

  // Off stores level NONE and keeps the path; on stores the path as typed and
  // the selected item's index + 1, which is 0 when no item is selected.
  void Commit() override;

 private:
  void BuildControls();
  void OnInitDialog();
  // Members into the controls, or with `saveAndValidate` the controls into the members.
  void DoDataExchange(bool saveAndValidate);
  void OnEnableLogging();
  void OnBrowse();
  void EnableControls();
  int SelectedLevelIndex() const;

  // Owned through their Qt parent, this page.
  QComboBox* m_comboLevel = nullptr;
  int m_bEnable = 0;
  QString m_strLogPath;

  DialogServices& m_services;  // not owned; outlives the sheet
  QCheckBox* m_enableBox = nullptr;
  QLabel* m_fileLabel = nullptr;
  QLineEdit* m_pathEdit = nullptr;
  QPushButton* m_browseButton = nullptr;
  QLabel* m_levelLabel = nullptr;
};
