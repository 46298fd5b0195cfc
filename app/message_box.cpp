#include "app/message_box.h"

#include "base/version.h"
#include "options/string_table.h"
#include "options/ui_services.h"

namespace {

QString Caption() {
  const char* title = LoadStringResource(StringId::kAppTitle);
  return QString::fromUtf8(title && *title ? title : SCRIVANE_TITLE);
}

QMessageBox::Icon IconFor(MessageStyle style) {
  switch (IconOf(style)) {
    case MessageStyle::kIconError: return QMessageBox::Critical;
    case MessageStyle::kIconQuestion: return QMessageBox::Question;
    case MessageStyle::kIconExclamation: return QMessageBox::Warning;
    case MessageStyle::kIconInformation: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
  }
}

QMessageBox::StandardButtons ButtonsFor(MessageStyle style) {
  if (ButtonsOf(style) == MessageStyle::kYesNo) return QMessageBox::Yes | QMessageBox::No;
  return QMessageBox::Ok;
}

}  // namespace

std::unique_ptr<QMessageBox> MakeMessageBox(const std::string& text, MessageStyle style) {
  auto box = std::make_unique<QMessageBox>(IconFor(style), Caption(), QString::fromStdString(text), ButtonsFor(style));
  box->setTextFormat(Qt::PlainText);
  return box;
}

MessageAnswer MessageAnswerFor(QMessageBox::StandardButton button) {
  switch (button) {
    case QMessageBox::Yes: return MessageAnswer::kYes;
    case QMessageBox::No: return MessageAnswer::kNo;
    case QMessageBox::Cancel: return MessageAnswer::kCancel;
    default: return MessageAnswer::kOk;
  }
}
