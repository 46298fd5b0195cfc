#pragma once

#include <QDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QString>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>
#include <string>
#include <utility>
#include <vector>

#include "desktop_font_guard.h"
#include "options/convert_options.h"
#include "options/sheet/my_sheet.h"
#include "recording_services.h"

// Shared helpers of the sheet's tests: finding controls by name, answering
// the item editor as a user would, and comparing whole option sets.
namespace sheet_test {

enum PageIndex { kResources = 0, kScripts = 1, kMime = 2, kLogging = 3, kArchive = 4 };

using Rows = std::vector<std::pair<QString, QString>>;

inline QTabWidget* Tabs(QWidget& sheet) { return sheet.findChild<QTabWidget*>(); }

inline QWidget* Page(QWidget& sheet, int index) { return Tabs(sheet)->widget(index); }

template <typename T>
T* Control(QWidget* page, const char* name) {
  return page->findChild<T*>(QString::fromLatin1(name));
}

inline QTreeWidget* List(QWidget& sheet, int page) { return Control<QTreeWidget>(Page(sheet, page), "list"); }

inline QPushButton* Button(QWidget& sheet, int page, const char* name) {
  return Control<QPushButton>(Page(sheet, page), name);
}

inline Rows ListRows(const QTreeWidget* list) {
  Rows rows;
  for (int row = 0; row < list->topLevelItemCount(); ++row) {
    rows.emplace_back(list->topLevelItem(row)->text(0), list->topLevelItem(row)->text(1));
  }
  return rows;
}

inline Rows TableRows(const std::map<std::string, std::string>& table) {
  Rows rows;
  for (const auto& [key, value] : table) rows.emplace_back(QString::fromStdString(key), QString::fromStdString(value));
  return rows;
}

// A click on a row as the mouse gives it; with Control it adds to the selection.
inline void ClickRow(QTreeWidget* list, int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  list->scrollToItem(list->topLevelItem(row));
  const QRect rect = list->visualItemRect(list->topLevelItem(row));
  QTest::mouseClick(list->viewport(), Qt::LeftButton, modifiers, rect.center());
}

inline void DoubleClickRow(QTreeWidget* list, int row) {
  list->scrollToItem(list->topLevelItem(row));
  const QRect rect = list->visualItemRect(list->topLevelItem(row));
  QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
}

// What the item editor showed when it opened.
struct EditorSeen {
  QString caption;
  QString keyLabel;
  QString valueLabel;
  QString key;
  QString value;
};

// Answers the next item editors by typing `key` and `value` over the fields
// and pressing OK, recording what each editor showed before.
inline void AnswerEditor(RecordingServices& services, std::vector<EditorSeen>& seen, const QString& key,
                         const QString& value) {
  services.dialogHandler = [&seen, key, value](QDialog& dialog) {
    auto* keyEdit = dialog.findChild<QLineEdit*>(QStringLiteral("key"));
    auto* valueEdit = dialog.findChild<QLineEdit*>(QStringLiteral("value"));
    const QList<QLabel*> labels = dialog.findChildren<QLabel*>();
    seen.push_back({dialog.windowTitle(), labels.value(0) ? labels.value(0)->text() : QString(),
                    labels.value(1) ? labels.value(1)->text() : QString(), keyEdit->text(), valueEdit->text()});
    keyEdit->setText(key);
    valueEdit->setText(value);
    dialog.findChild<QPushButton*>(QStringLiteral("ok"))->click();
    return dialog.result();
  };
}

// Every field of the options, to compare before and after.
struct OptionsSnapshot {
  std::string logPath;
  std::int32_t logLevel;
  ResourceTagTable resourceTags;
  MimeTypeTable mimeTypes;
  ScriptExtTable scriptExtensions;
  LinkStyle linkStyle;
  bool completeArchive;

  static OptionsSnapshot Take() {
    const ConvertOptions& o = ConvertOptions::Instance();
    return {o.logPath, o.logLevel, o.resourceTags, o.mimeTypes, o.scriptExtensions, o.linkStyle, o.completeArchive};
  }
  bool operator==(const OptionsSnapshot&) const = default;
};

// Counts the help keys that reach the widget it watches.
class HelpKeyWatcher : public QObject {
 public:
  int helpKeys = 0;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_F1) ++helpKeys;
    return false;
  }
};

}  // namespace sheet_test
