#include "options/sheet/log_page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "log/convert_log.h"
#include "options/convert_options.h"
#include "options/sheet/dialog_services.h"
#include "options/sheet/page_font.h"
#include "options/string_table.h"

namespace {

constexpr const char* kLogFileFilter = "Text Files (*.txt)|*.txt|All Files (*.*)|*.*||";
constexpr int kErrorsOnlyIndex = 2;

}  // namespace

CLogPage::CLogPage(DialogServices& services, QWidget* parent)
    : OptionPage(QString::fromUtf8(LoadStringResource(StringId::kLoggingTab)), HelpKey::Handled, parent),
      m_services(services) {
  BuildControls();
  OnInitDialog();
}

void CLogPage::BuildControls() {
  const DialogUnits units(font());

  m_enableBox = new QCheckBox(QStringLiteral("&Enable logging"), this);
  m_fileLabel = new QLabel(QStringLiteral("Log file (TXT):"), this);
  m_pathEdit = new QLineEdit(this);
  m_browseButton = new QPushButton(QStringLiteral("&..."), this);
  m_levelLabel = new QLabel(QStringLiteral("Level of logging:"), this);
  m_comboLevel = new QComboBox(this);
  m_enableBox->setObjectName(QStringLiteral("enable"));
  m_fileLabel->setObjectName(QStringLiteral("fileLabel"));
  m_pathEdit->setObjectName(QStringLiteral("path"));
  m_browseButton->setObjectName(QStringLiteral("browse"));
  m_levelLabel->setObjectName(QStringLiteral("levelLabel"));
  m_comboLevel->setObjectName(QStringLiteral("level"));
  m_fileLabel->setBuddy(m_pathEdit);
  m_levelLabel->setBuddy(m_comboLevel);

  m_pathEdit->setFixedWidth(units.X(256));
  m_browseButton->setFixedSize(units.Size(13, 14));
  m_comboLevel->setFixedWidth(units.X(106));
  // Typed text that names no item leaves the box without a selection, as in
  // a drop-down combo box; completion would silently type an item's name.
  m_comboLevel->setEditable(true);
  m_comboLevel->setInsertPolicy(QComboBox::NoInsert);
  m_comboLevel->setCompleter(nullptr);

  connect(m_enableBox, &QCheckBox::clicked, this, &CLogPage::OnEnableLogging);
  connect(m_browseButton, &QPushButton::clicked, this, &CLogPage::OnBrowse);

  auto* pathRow = new QHBoxLayout;
  pathRow->setSpacing(units.X(8));
  pathRow->addWidget(m_pathEdit);
  pathRow->addWidget(m_browseButton);
  pathRow->addStretch();

  auto* levelRow = new QHBoxLayout;
  levelRow->setSpacing(units.X(5));
  levelRow->addWidget(m_levelLabel);
  levelRow->addWidget(m_comboLevel);
  levelRow->addStretch();

  auto* layout = new QGridLayout(this);
  layout->setContentsMargins(units.X(7), units.Y(7), units.X(7), units.Y(7));
  layout->setVerticalSpacing(units.Y(4));
  layout->addWidget(m_enableBox, 0, 0);
  layout->addWidget(m_fileLabel, 1, 0);
  layout->addLayout(pathRow, 2, 0);
  layout->setRowMinimumHeight(3, units.Y(10));
  layout->addLayout(levelRow, 4, 0);
  layout->setRowStretch(5, 1);
}

void CLogPage::OnInitDialog() {
  m_comboLevel->addItems(
      {QStringLiteral("Everything"), QStringLiteral("Warnings and Errors only"), QStringLiteral("Errors only")});
  m_comboLevel->setCurrentIndex(-1);
  DoDataExchange(false);

  const ConvertOptions& options = ConvertOptions::Instance();
  m_strLogPath = QString::fromStdString(options.logPath);
  m_bEnable = options.logLevel != LogLevel::NONE ? 1 : 0;
  if (m_bEnable == 1) {
    // A stored level outside 1..3 names no item and leaves the box unselected.
    m_comboLevel->setCurrentIndex(options.logLevel - 1);
    DoDataExchange(false);
  }
  EnableControls();
}

void CLogPage::DoDataExchange(bool saveAndValidate) {
  if (saveAndValidate) {
    m_bEnable = m_enableBox->isChecked() ? 1 : 0;
    m_strLogPath = m_pathEdit->text();
  } else {
    m_enableBox->setChecked(m_bEnable == 1);
    m_pathEdit->setText(m_strLogPath);
  }
}

void CLogPage::OnEnableLogging() {
  DoDataExchange(true);
  EnableControls();
}

void CLogPage::EnableControls() {
  const bool enable = m_bEnable == 1;
  for (QWidget* control :
       std::initializer_list<QWidget*>{m_fileLabel, m_pathEdit, m_browseButton, m_levelLabel, m_comboLevel}) {
    control->setEnabled(enable);
  }
  if (SelectedLevelIndex() < 0) m_comboLevel->setCurrentIndex(kErrorsOnlyIndex);
}

void CLogPage::OnBrowse() {
  const std::optional<std::string> path = m_services.ChooseOpenFile(kLogFileFilter);
  if (!path) return;
  m_strLogPath = QString::fromStdString(*path);
  DoDataExchange(false);
}

int CLogPage::SelectedLevelIndex() const {
  // The current item counts as selected only while the text field shows it:
  // typing into the field deselects, as it does in a drop-down combo box.
  const int index = m_comboLevel->currentIndex();
  return index >= 0 && m_comboLevel->currentText() == m_comboLevel->itemText(index) ? index : -1;
}

void CLogPage::Commit() {
  DoDataExchange(true);
  ConvertOptions& options = ConvertOptions::Instance();
  if (m_bEnable == 0) {
    options.logLevel = LogLevel::NONE;
    return;
  }
  options.logPath = m_strLogPath.toStdString();
  options.logLevel = SelectedLevelIndex() + 1;
}
