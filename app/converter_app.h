#pragma once

#include <QApplication>

#include "app/qt_ui_services.h"

// The application object: owns Qt's application and the desktop services,
// and installs those services for every dialog for as long as it lives.
class CConverterApp {
 public:
  CConverterApp(int& argc, char** argv);
  ~CConverterApp();
  CConverterApp(const CConverterApp&) = delete;
  CConverterApp& operator=(const CConverterApp&) = delete;

  // Shows the main dialog modally, its fields filled from the command line;
  // when it closes, the program is done. Returns the exit status.
  int Run();

 private:
  QApplication m_application;
  QtUiServices m_services;
};
