#include <unistd.h>

#include <QtGlobal>

#include <cstdlib>
#include <iostream>
#include <string>
#include <utility>
#include <vector>

#include "app/converter_app.h"
#include "app/window_arguments.h"

namespace {

bool IsSet(const char* variable) {
  const char* value = std::getenv(variable);
  return value != nullptr && *value != '\0';
}

// Qt aborts, core and all, when it finds no display; without one to try
// (none named, no platform chosen), that is said in one line instead.
bool DisplayToTry(int argc, char** argv) {
  if (IsSet("QT_QPA_PLATFORM") || IsSet("DISPLAY") || IsSet("WAYLAND_DISPLAY")) return true;
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]) == "-platform") return true;
  }
  return false;
}

// A display that is named but cannot be opened ends Qt with a fatal message,
// after warnings about each platform it tried: the fatal message's first
// line alone, and the exit status for no display, instead of an abort. The
// warnings of a start that succeeds are passed on once it has.
QtMessageHandler g_qtHandler = nullptr;
std::vector<std::pair<QtMsgType, QString>> g_startWarnings;

void EndWithoutAbort(QtMsgType type, const QMessageLogContext&, const QString& message) {
  if (type != QtFatalMsg) {
    g_startWarnings.emplace_back(type, message);
    return;
  }
  std::cerr << "scrivane-converter: cannot open the window: " << message.section('\n', 0, 0).toStdString() << std::endl;
  ::_exit(kWindowExitNoDisplay);
}

void PassOnStartWarnings() {
  qInstallMessageHandler(g_qtHandler);
  for (const auto& [type, message] : g_startWarnings) g_qtHandler(type, QMessageLogContext(), message);
  g_startWarnings.clear();
}

}  // namespace

int main(int argc, char** argv) {
  // Help and version are answered before the window system is reached, so
  // they need no display. Anything else is read once Qt has taken out its
  // own options.
  const WindowArgumentsParse parse = ParseWindowArguments(std::vector<std::string>(argv + 1, argv + argc));
  if (parse.arguments && (parse.arguments->help || parse.arguments->version)) {
    std::cout << (parse.arguments->help ? WindowHelpText() : WindowVersionText());
    return 0;
  }
  if (!DisplayToTry(argc, argv)) {
    std::cerr << "scrivane-converter: no display to open the window on (DISPLAY and WAYLAND_DISPLAY are unset); "
                 "scrivane-convert converts without one\n";
    return kWindowExitNoDisplay;
  }
  g_qtHandler = qInstallMessageHandler(EndWithoutAbort);
  CConverterApp application(argc, argv);
  PassOnStartWarnings();
  return application.Run();
}
