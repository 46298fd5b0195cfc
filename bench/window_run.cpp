// The window on the offscreen platform, for measuring its memory:
//   scrivane_window_run                  shows the main dialog, then closes
//   scrivane_window_run INPUT OUTPUT     also types both paths and presses
//                                        Create Archive, as a user would
// Each message box's text goes to the standard output; the exit status is
// 0 when the archive was made (or nothing was asked), 1 otherwise.
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>

#include <cstdlib>
#include <iostream>
#include <optional>
#include <string>

#include "app/main_dialog.h"
#include "options/convert_options.h"
#include "options/sheet/dialog_services.h"

namespace {

constexpr const char* kArchiveMade = "Web archive created successfully at:\n";

// Answers every question with its first button and opens nothing.
class PrintingServices : public DialogServices {
 public:
  std::string lastMessage;

  MessageAnswer ShowMessage(const std::string& text, MessageStyle) override {
    std::cout << text << '\n';
    lastMessage = text;
    return MessageAnswer::kOk;
  }
  void ShowShellFailure(const std::string& text) override { std::cout << text << '\n'; }
  bool OpenPath(const std::string&) override { return false; }
  std::optional<std::string> ChooseOpenFile(const std::string&) override { return std::nullopt; }
  std::optional<std::string> ChooseSaveFile(const SaveFileQuestion&) override { return std::nullopt; }
  int Exec(QDialog&) override { return 0; }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 1 && argc != 3) {
    std::cerr << "usage: scrivane_window_run [INPUT OUTPUT]\n";
    return 2;
  }
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication application(argc, argv);
  PrintingServices services;
  ConvertOptions::Instance().SetServices(&services);
  int status = 0;
  {
    CMainDlg dialog(services);
    dialog.show();
    QApplication::processEvents();
    if (argc == 3) {
      dialog.findChild<QLineEdit*>(QStringLiteral("inputEdit"))->setText(QString::fromLocal8Bit(argv[1]));
      dialog.findChild<QLineEdit*>(QStringLiteral("outputEdit"))->setText(QString::fromLocal8Bit(argv[2]));
      dialog.findChild<QPushButton*>(QStringLiteral("createArchiveButton"))->click();
      status = services.lastMessage.rfind(kArchiveMade, 0) == 0 ? 0 : 1;
    }
    QApplication::processEvents();
  }
  ConvertOptions::Instance().SetServices(nullptr);
  return status;
}
