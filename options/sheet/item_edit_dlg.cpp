#include "options/sheet/item_edit_dlg.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "options/sheet/page_font.h"

CItemEditDlg::CItemEditDlg(const Texts& texts, const QString& key, const QString& value, QWidget* parent)
    : QDialog(parent),
      m_strValue(value),
      m_strKey(key),
      m_strCaption(texts.caption),
      m_strKeyLabel(texts.keyLabel),
      m_strValueLabel(texts.valueLabel) {
  setFont(TemplateFont());
  BuildControls();
  OnInitDialog();
}

void CItemEditDlg::BuildControls() {
  const DialogUnits units(font());
  setWindowTitle(QStringLiteral("Add / Modify Resource"));

  m_keyLabel = new QLabel(QStringLiteral("&Tag name: "), this);
  m_keyEdit = new QLineEdit(this);
  m_valueLabel = new QLabel(QStringLiteral("&Attribute name: "), this);
  m_valueEdit = new QLineEdit(this);
  m_keyLabel->setBuddy(m_keyEdit);
  m_valueLabel->setBuddy(m_valueEdit);
  m_keyEdit->setObjectName(QStringLiteral("key"));
  m_valueEdit->setObjectName(QStringLiteral("value"));
  for (QLineEdit* edit : {m_keyEdit, m_valueEdit}) edit->setFixedWidth(units.X(114));

  m_cancelButton = new QPushButton(QStringLiteral("&Cancel"), this);
  m_okButton = new QPushButton(QStringLiteral("&OK"), this);
  m_cancelButton->setObjectName(QStringLiteral("cancel"));
  m_okButton->setObjectName(QStringLiteral("ok"));
  m_okButton->setDefault(true);
  for (QPushButton* button : {m_cancelButton, m_okButton}) button->setFixedSize(units.Size(50, 14));
  connect(m_okButton, &QPushButton::clicked, this, &CItemEditDlg::accept);
  connect(m_cancelButton, &QPushButton::clicked, this, &CItemEditDlg::reject);

  auto* fields = new QGridLayout;
  fields->setHorizontalSpacing(units.X(4));
  fields->setVerticalSpacing(units.Y(8));
  fields->addWidget(m_keyLabel, 0, 0);
  fields->addWidget(m_keyEdit, 0, 1);
  fields->addWidget(m_valueLabel, 1, 0);
  fields->addWidget(m_valueEdit, 1, 1);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(m_cancelButton);
  buttons->addSpacing(units.X(7));
  buttons->addWidget(m_okButton);
  buttons->addStretch();

  auto* layout = new QVBoxLayout(this);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  layout->setContentsMargins(units.X(7), units.Y(7), units.X(7), units.Y(7));
  layout->addLayout(fields);
  layout->addSpacing(units.Y(24));
  layout->addLayout(buttons);

  setTabOrder(m_keyEdit, m_valueEdit);
  setTabOrder(m_valueEdit, m_cancelButton);
  setTabOrder(m_cancelButton, m_okButton);
  m_keyEdit->setFocus();
}

void CItemEditDlg::OnInitDialog() {
  DoDataExchange(false);
  setWindowTitle(m_strCaption);
  m_keyLabel->setText(m_strKeyLabel);
  m_valueLabel->setText(m_strValueLabel);
}

void CItemEditDlg::DoDataExchange(bool saveAndValidate) {
  if (saveAndValidate) {
    m_strKey = m_keyEdit->text();
    m_strValue = m_valueEdit->text();
  } else {
    m_keyEdit->setText(m_strKey);
    m_valueEdit->setText(m_strValue);
  }
}

void CItemEditDlg::accept() {
  DoDataExchange(true);
  QDialog::accept();
}
