#pragma once

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>

#include <string>
#include <vector>

#include "app/main_dialog.h"
#include "options/convert_options.h"
#include "recording_services.h"

// Also notes, for every message, whether the wait cursor was showing.
class CursorWatchingServices : public RecordingServices {
 public:
  std::vector<bool> waitCursorShown;

  MessageAnswer ShowMessage(const std::string& text, MessageStyle style) override {
    const QCursor* cursor = QApplication::overrideCursor();
    waitCursorShown.push_back(cursor && cursor->shape() == Qt::WaitCursor);
    return RecordingServices::ShowMessage(text, style);
  }
};

// A shown main dialog wired to recording services, with fresh default options.
class MainDialogHarness {
 public:
  MainDialogHarness() {
    ConvertOptions::Instance().ResetToDefaults();
    ConvertOptions::Instance().SetServices(&services);
    dialog.show();
  }
  ~MainDialogHarness() { ConvertOptions::Instance().SetServices(nullptr); }
  MainDialogHarness(const MainDialogHarness&) = delete;
  MainDialogHarness& operator=(const MainDialogHarness&) = delete;

  QPushButton* Button(MainDialogId id) const {
    for (auto* button : dialog.findChildren<QPushButton*>()) {
      if (button->property("commandId").toInt() == CommandNumber(id)) return button;
    }
    return nullptr;
  }
  QAction* Action(MainDialogId id) const {
    for (auto* action : dialog.findChildren<QAction*>()) {
      if (action->data().toInt() == CommandNumber(id) && !action->menu()) return action;
    }
    return nullptr;
  }
  QLineEdit* InputEdit() const { return dialog.findChild<QLineEdit*>(QStringLiteral("inputEdit")); }
  QLineEdit* OutputEdit() const { return dialog.findChild<QLineEdit*>(QStringLiteral("outputEdit")); }

  void TypePaths(const QString& input, const QString& output) const {
    InputEdit()->setText(input);
    OutputEdit()->setText(output);
  }
  std::vector<std::string> MessageTexts() const {
    std::vector<std::string> texts;
    for (const auto& message : services.messages) texts.push_back(message.text);
    return texts;
  }

  CursorWatchingServices services;  // declared first: the dialog borrows it
  CMainDlg dialog{services};
};

// Makes a folder the current one for as long as the guard lives.
class CurrentFolderGuard {
 public:
  explicit CurrentFolderGuard(const QString& folder) : m_previous(QDir::currentPath()) { QDir::setCurrent(folder); }
  ~CurrentFolderGuard() { QDir::setCurrent(m_previous); }
  CurrentFolderGuard(const CurrentFolderGuard&) = delete;
  CurrentFolderGuard& operator=(const CurrentFolderGuard&) = delete;

 private:
  QString m_previous;
};
