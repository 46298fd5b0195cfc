#include "app/converter_app.h"

#include <QFileInfo>

#include <iostream>
#include <string>
#include <vector>

#include "app/app_icon.h"
#include "app/main_dialog.h"
#include "app/window_arguments.h"
#include "options/convert_options.h"

CConverterApp::CConverterApp(int& argc, char** argv) : m_application(argc, argv) {
  // The framework's warning boxes are captioned with the executable's name.
  QApplication::setApplicationName(QFileInfo(QApplication::applicationFilePath()).completeBaseName());
  QApplication::setWindowIcon(LoadAppIcon());
  ConvertOptions::Instance().SetServices(&m_services);
}

// The options object outlives this one; it must not keep the services.
CConverterApp::~CConverterApp() { ConvertOptions::Instance().SetServices(nullptr); }

// Qt has taken its own options (-platform and the like) out of the
// arguments by now.
int CConverterApp::Run() {
  const QStringList arguments = QApplication::arguments();
  std::vector<std::string> given;
  for (qsizetype i = 1; i < arguments.size(); ++i) given.push_back(arguments[i].toStdString());
  const WindowArgumentsParse parse = ParseWindowArguments(given);
  if (!parse.arguments) {
    std::cerr << "scrivane-converter: " << parse.error << '\n' << WindowUsageLine() << '\n';
    return kWindowExitUsage;
  }
  CMainDlg dialog(m_services);
  const WindowArguments& paths = *parse.arguments;
  if (!paths.inputPath.empty()) dialog.OpenPaths(paths.inputPath, paths.outputPath);
  m_services.Exec(dialog);
  return 0;
}
