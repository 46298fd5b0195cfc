#include "app/qt_ui_services.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QRegularExpression>

#include "app/file_filter.h"
#include "app/link_opener.h"
#include "app/message_box.h"

namespace {

// "mht" for filters that start "Web Archive Files (*.mht *.mhtml)"; empty
// when the first filter names no extension.
QString FirstExtension(const QStringList& filters) {
  static const QRegularExpression firstPattern(QStringLiteral(R"(\(\*\.([^ )*]+))"));
  if (filters.isEmpty()) return {};
  return firstPattern.match(filters.first()).captured(1);
}

}  // namespace

MessageAnswer QtUiServices::ShowMessage(const std::string& text, MessageStyle style) {
  const auto box = MakeMessageBox(text, style);
  return MessageAnswerFor(static_cast<QMessageBox::StandardButton>(box->exec()));
}

MessageAnswer QtUiServices::ShowDetailedMessage(const std::string& text, MessageStyle style,
                                                const std::string& details) {
  const auto box = MakeMessageBox(text, style);
  box->setDetailedText(QString::fromStdString(details));
  return MessageAnswerFor(static_cast<QMessageBox::StandardButton>(box->exec()));
}

void QtUiServices::ShowShellFailure(const std::string& text) {
  QMessageBox::warning(QApplication::activeWindow(), QApplication::applicationName(), QString::fromStdString(text));
}

bool QtUiServices::OpenPath(const std::string& path) { return OpenFile(path) > LinkResult::kLastFailureCode; }

std::optional<std::string> QtUiServices::ChooseOpenFile(const std::string& filter) {
  QFileDialog dialog(QApplication::activeWindow(), QStringLiteral("Open"));
  // The output archive is chosen with this dialog too, so the file need not exist.
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setNameFilters(ToQtNameFilters(filter));
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty()) return std::nullopt;
  return chosen.first().toStdString();
}

// Qt's own dialog asks before an existing file is replaced, unless told not
// to; a name typed without an extension gets the first filter's.
std::optional<std::string> QtUiServices::ChooseSaveFile(const SaveFileQuestion& question) {
  QFileDialog dialog(QApplication::activeWindow(), QStringLiteral("Save"));
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
  const QStringList filters = ToQtNameFilters(question.filter);
  dialog.setNameFilters(filters);
  dialog.setDefaultSuffix(FirstExtension(filters));
  dialog.setDirectory(QString::fromStdString(question.folder));
  dialog.selectFile(QString::fromStdString(question.name));
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty()) return std::nullopt;
  return chosen.first().toStdString();
}

int QtUiServices::Exec(QDialog& dialog) { return dialog.exec(); }
