#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class QLineEdit;
class QPushButton;

// The small two-field editor of the list pages: one key and one value, with
// the caption and labels of the page that opens it. OK copies the fields into
// Key() and Value(); Cancel leaves them as they were given.
class CItemEditDlg : public QDialog {
 public:
  struct Texts {
    QString caption;
    QString keyLabel;
    QString valueLabel;
  };

  CItemEditDlg(const Texts& texts, const QString& key, const QString& value, QWidget* parent = nullptr);

  const QString& Key() const { return m_strKey; }
  const QString& Value() const { return m_strValue; }

  void accept() override;

 private:
  void BuildControls();
  void OnInitDialog();
  // Members into the fields, or with `saveAndValidate` the fields into the members.
  void DoDataExchange(bool saveAndValidate);

  QString m_strValue;
  QString m_strKey;
  QString m_strCaption;
  QString m_strKeyLabel;
  QString m_strValueLabel;

  // Owned through their Qt parent, this dialog.
  QLabel* m_keyLabel = nullptr;
  QLineEdit* m_keyEdit = nullptr;
  QLabel* m_valueLabel = nullptr;
  QLineEdit* m_valueEdit = nullptr;
  QPushButton* m_cancelButton = nullptr;
  QPushButton* m_okButton = nullptr;
};
