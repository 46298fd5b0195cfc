#include "app/converter_app.h"

#include <QFileInfo>

#include "app/app_icon.h"
#include "app/main_dialog.h"
#include "options/convert_options.h"

CConverterApp::CConverterApp(int& argc, char** argv) : m_application(argc, argv) {
  // The framework's warning boxes are captioned with the executable's name.
  QApplication::setApplicationName(
      QFileInfo(QApplication::applicationFilePath()).completeBaseName());
  QApplication::setWindowIcon(LoadAppIcon());
  ConvertOptions::Instance().SetServices(&m_services);
}

// The options object outlives this one; it must not keep the services.
CConverterApp::~CConverterApp() { ConvertOptions::Instance().SetServices(nullptr); }

int CConverterApp::Run() {
  CMainDlg dialog(m_services);
  m_services.Exec(dialog);
  return 0;
}
