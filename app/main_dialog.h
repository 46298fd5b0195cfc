#pragma once

#include <QDialog>
#include <QIcon>

#include <chrono>
#include <string>

#include "archive/mime_archive.h"
#include "engine/converter.h"
#include "log/convert_log.h"

class ConversionProgressBox;
class DialogServices;
class QDragEnterEvent;
class QDropEvent;
class QKeyEvent;
class QLineEdit;
class QMenuBar;

// Command and control ids of the main dialog, with the numbers they have
// always had. A button and a menu item with the same id run the same
// handler; each carries its id's CommandNumber (a button in its "commandId"
// property, a menu item in its data).
enum class MainDialogId : int {
  kExit = 2,
  kCreateArchive = 1000,
  kAbout = 1001,
  kInputEdit = 1002,
  kOutputEdit = 1004,
  kBrowseInput = 1005,
  kBrowseOutput = 1006,
  kSetOptions = 1007,
  kViewInput = 1009,
  kViewOutput = 1010,
  kHelpContents = 1014,
};

// The number a control or menu item carries for `id`.
constexpr int CommandNumber(MainDialogId id) { return static_cast<int>(id); }

// The program's one window: two paths, the commands that act on them, and
// the conversion itself, which Create Archive runs on a thread of its own
// and waits for while the window keeps answering.
class CMainDlg : public QDialog {
  Q_OBJECT
 public:
  explicit CMainDlg(DialogServices& services, QWidget* parent = nullptr);
  ~CMainDlg() override;

  // Exit, Escape and the close box all end here: the dialog closes only when
  // the user confirms. During a conversion the question is whether to cancel
  // it and close, which happens once the conversion has stopped.
  void reject() override;

  // Paths handed to the window from outside (its command line, a dropped
  // file) go into the fields. Without an output, the page is taken as
  // TakePage does.
  void OpenPaths(const std::string& inputPath, const std::string& outputPath = {});

  // How long a conversion runs before its progress shows.
  void SetProgressDelay(std::chrono::milliseconds delay) { m_progressDelay = delay; }

 protected:
  // A local file dropped anywhere on the window is taken as the input.
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  // During a conversion Escape cancels it, as the progress box's does.
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void BuildControls();
  QMenuBar* BuildMenuBar();

  void OnCommand(MainDialogId id);
  void OnCreateArchive();
  void OnBrowseInput();
  void OnBrowseOutput();
  void OnViewInput();
  void OnViewOutput();
  void OnSetOptions();
  void OnAbout();
  void OnHelpContents();

  void OnInputEdited();
  void View(const std::string& path);
  // A new page: an output that is empty or came from the previous page
  // becomes this page's name with ".mht"; one the user typed or chose stays.
  void TakePage(const std::string& page);
  // The edit controls and the two path fields are kept in step only here.
  void ReadFields();
  void RefreshFields();

  std::string m_inputPath;
  std::string m_outputPath;
  std::string m_proposedOutput;  // the output the window made from the page; empty: none
  QIcon m_icon;
  CConverter m_converter;     // one engine for the dialog's life
  CMimeArchive m_archive;     // one writer for the dialog's life, so one boundary
  CConvertLog m_logSettings;  // handed to the engine before each conversion
  std::chrono::milliseconds m_progressDelay{500};
  // A conversion is under way on its own thread: no command may start
  // another or change what it uses. Its progress box, while it runs.
  bool m_converting = false;
  ConversionProgressBox* m_progress = nullptr;
  bool m_closeWhenStopped = false;  // the user chose to cancel and close

  DialogServices& m_services;        // not owned; outlives the dialog
  QLineEdit* m_inputEdit = nullptr;  // owned by the dialog, as are all its widgets
  QLineEdit* m_outputEdit = nullptr;
};
