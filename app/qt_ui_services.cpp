#include "app/qt_ui_services.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

#include "app/file_filter.h"
#include "app/link_opener.h"
#include "app/message_box.h"

int QtUiServices::ShowMessage(const std::string& text, unsigned style) {
  const auto box = MakeMessageBox(text, style);
  return MessageAnswerFor(static_cast<QMessageBox::StandardButton>(box->exec()));
}

int QtUiServices::ShowDetailedMessage(const std::string& text, unsigned style, const std::string& details) {
  const auto box = MakeMessageBox(text, style);
  box->setDetailedText(QString::fromStdString(details));
  return MessageAnswerFor(static_cast<QMessageBox::StandardButton>(box->exec()));
}

void QtUiServices::ShowShellFailure(const std::string& text) {
  QMessageBox::warning(QApplication::activeWindow(), QApplication::applicationName(),
                       QString::fromStdString(text));
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

int QtUiServices::Exec(QDialog& dialog) { return dialog.exec(); }
