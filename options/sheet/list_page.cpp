#include "options/sheet/list_page.h"

#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <functional>
#include <utility>

#include "base/path_text.h"
#include "options/sheet/dialog_services.h"
#include "options/sheet/page_font.h"
#include "options/string_table.h"
#include "options/ui_services.h"

namespace {

constexpr int kKeyColumnWidth = 140;
constexpr int kValueColumnAllowance = 144;  // the list's width less this is the value column's

// A report list that answers a double-click anywhere in it, also below the
// last row, after the view has done its own handling.
class ReportList : public QTreeWidget {
 public:
  ReportList(std::function<void()> onDoubleClick, QWidget* parent)
      : QTreeWidget(parent), m_onDoubleClick(std::move(onDoubleClick)) {}

 protected:
  void mouseDoubleClickEvent(QMouseEvent* event) override {
    QTreeWidget::mouseDoubleClickEvent(event);
    m_onDoubleClick();
  }

 private:
  std::function<void()> m_onDoubleClick;
};

QString Utf8(const char* text) { return QString::fromUtf8(text); }

std::string LowerKey(const QString& key) { return ToLower(key.toStdString()); }

}  // namespace

ListPage::ListPage(const ListPageDescription& description, DialogServices& services, QWidget* parent)
    : OptionPage(Utf8(LoadStringResource(description.captionId)), HelpKey::PassedOn, parent),
      m_description(description),
      m_services(services) {
  BuildControls();
  OnInitDialog();
}

void ListPage::BuildControls() {
  const DialogUnits units(font());

  auto* label = new QLabel(Utf8(m_description.label), this);
  m_list = new ReportList([this] { OnModify(); }, this);
  m_list->setObjectName(QStringLiteral("list"));
  label->setBuddy(m_list);
  m_list->setFixedSize(units.Size(202, 80));

  m_addButton = new QPushButton(QStringLiteral("&Add"), this);
  m_modifyButton = new QPushButton(QStringLiteral("&Modify"), this);
  m_deleteButton = new QPushButton(QStringLiteral("&Delete"), this);
  m_addButton->setObjectName(QStringLiteral("add"));
  m_modifyButton->setObjectName(QStringLiteral("modify"));
  m_deleteButton->setObjectName(QStringLiteral("delete"));
  auto* buttons = new QVBoxLayout;
  buttons->setSpacing(units.Y(4));
  for (QPushButton* button : {m_addButton, m_modifyButton, m_deleteButton}) {
    button->setFixedSize(units.Size(63, 16));
    buttons->addWidget(button);
  }
  buttons->addStretch();
  connect(m_addButton, &QPushButton::clicked, this, &ListPage::OnAdd);
  connect(m_modifyButton, &QPushButton::clicked, this, &ListPage::OnModify);
  connect(m_deleteButton, &QPushButton::clicked, this, &ListPage::OnDelete);

  auto* note = new QLabel(Utf8(m_description.note), this);
  note->setObjectName(QStringLiteral("note"));

  auto* layout = new QGridLayout(this);
  layout->setContentsMargins(units.X(7), units.Y(7), units.X(7), units.Y(7));
  layout->setHorizontalSpacing(units.X(12));
  layout->setVerticalSpacing(units.Y(3));
  layout->addWidget(label, 0, 0);
  layout->addWidget(m_list, 1, 0);
  layout->addLayout(buttons, 1, 1);
  layout->addWidget(note, 2, 0, 1, 2);
  layout->setRowMinimumHeight(2, units.Y(24));
  layout->setRowStretch(3, 1);
  layout->setColumnStretch(2, 1);
}

void ListPage::OnInitDialog() {
  const int listWidth = m_list->width();
  m_list->setColumnCount(2);
  m_list->setHeaderLabels({Utf8(m_description.keyHeader), Utf8(m_description.valueHeader)});
  m_list->setColumnWidth(0, kKeyColumnWidth);
  m_list->setColumnWidth(1, listWidth - kValueColumnAllowance);
  m_list->header()->setStretchLastSection(false);
  m_list->header()->setSectionsClickable(false);
  m_list->header()->setSectionsMovable(false);
  m_list->setSortingEnabled(false);
  m_list->setRootIsDecorated(false);
  m_list->setItemsExpandable(false);
  m_list->setUniformRowHeights(true);
  m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
  m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
  m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
  connect(m_list, &QTreeWidget::itemSelectionChanged, this, &ListPage::UpdateButtons);

  UpdateButtons();
  for (const auto& [key, value] : ConvertOptions::Instance().*m_description.table) {
    AddItem(QString::fromStdString(key), QString::fromStdString(value));
  }
}

void ListPage::AddItem(const QString& key, const QString& value) {
  const std::string lowerKey = LowerKey(key);
  for (int row = 0; row < m_list->topLevelItemCount(); ++row) {
    if (LowerKey(m_list->topLevelItem(row)->text(0)) == lowerKey) {
      ConvertOptions::Instance().ShowStringMessage(StringId::kDuplicateKey,
                                                   MessageStyle::kIconExclamation | MessageStyle::kOk);
      return;
    }
  }
  new QTreeWidgetItem(m_list, QStringList{key, value});
}

CItemEditDlg::Texts ListPage::EditorTexts() const {
  return {Utf8(m_description.editorCaption), Utf8(m_description.editorKeyLabel), Utf8(m_description.editorValueLabel)};
}

void ListPage::OnAdd() {
  CItemEditDlg editor(EditorTexts(), QString(), QString(), this);
  if (m_services.Exec(editor) == QDialog::Accepted) AddItem(editor.Key(), editor.Value());
}

void ListPage::OnModify() {
  // The row where the user's last selection started, as in a report list's
  // selection mark; it need not be the only selected row.
  QTreeWidgetItem* item = m_list->currentItem();
  if (!item) return;
  CItemEditDlg editor(EditorTexts(), item->text(0), item->text(1), this);
  if (m_services.Exec(editor) != QDialog::Accepted) return;
  item->setText(0, editor.Key());
  item->setText(1, editor.Value());
}

void ListPage::OnDelete() { qDeleteAll(m_list->selectedItems()); }

void ListPage::UpdateButtons() {
  const qsizetype selected = m_list->selectedItems().size();
  m_deleteButton->setEnabled(selected >= 1);
  m_modifyButton->setEnabled(selected == 1);
}

void ListPage::Commit() {
  auto& table = ConvertOptions::Instance().*m_description.table;
  table.clear();
  for (int row = 0; row < m_list->topLevelItemCount(); ++row) {
    const QTreeWidgetItem* item = m_list->topLevelItem(row);
    table[item->text(0).toStdString()] = item->text(1).toStdString();
  }
}
