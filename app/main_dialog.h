#pragma once

#include <QDialog>
#include <QIcon>

#include <chrono>
#include <string>

#include "archive/mime_archive.h"
#include "engine/converter.h"
#include "log/convert_log.h"

class DialogServices;
class QDragEnterEvent;
class QDropEvent;
class QLineEdit;
class QMenuBar;

// Command and control ids of the main dialog. A button and a menu item with
// the same id run the same handler; each carries its id (a button in its
// "commandId" property, a menu item in its data).
namespace MainDialogId {
enum : int {
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
}

// The program's one window: two paths, the commands that act on them, and
// the conversion itself, run synchronously by Create Archive.
class CMainDlg : public QDialog {
  Q_OBJECT
 public:
  explicit CMainDlg(DialogServices& services, QWidget* parent = nullptr);
  ~CMainDlg() override;

  // Exit, Escape and the close box all end here: the dialog closes only when
  // the user confirms.
  void reject() override;

  // Paths handed to the window from outside (its command line, a dropped
  // file) go into the fields; when no output is given and the output field
  // is empty, it takes the input's name with ".mht".
  void OpenPaths(const std::string& inputPath, const std::string& outputPath = {});

  // How long a conversion runs before its progress shows.
  void SetProgressDelay(std::chrono::milliseconds delay) { m_progressDelay = delay; }

 protected:
  // A local file dropped anywhere on the window is taken as the input.
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void BuildControls();
  QMenuBar* BuildMenuBar();

  void OnCommand(int id);
  void OnCreateArchive();
  void OnBrowseInput();
  void OnBrowseOutput();
  void OnViewInput();
  void OnViewOutput();
  void OnSetOptions();
  void OnAbout();
  void OnHelpContents();

  void Browse(const std::string& filter, std::string& field);
  void View(const std::string& path);
  // The edit controls and the two path fields are kept in step only here.
  void ReadFields();
  void RefreshFields();

  std::string m_inputPath;
  std::string m_outputPath;
  QIcon m_icon;
  CConverter m_converter;        // one engine for the dialog's life
  CMimeArchive m_archive;        // one writer for the dialog's life, so one boundary
  CConvertLog m_logSettings;     // handed to the engine before each conversion
  std::chrono::milliseconds m_progressDelay{500};
  // A conversion is under way: its progress lets events through, and no
  // command may start another or change what it uses.
  bool m_converting = false;

  DialogServices& m_services;    // not owned; outlives the dialog
  QLineEdit* m_inputEdit = nullptr;   // owned by the dialog, as are all its widgets
  QLineEdit* m_outputEdit = nullptr;
};
