#include <iostream>
#include <string>
#include <vector>

#include "app/converter_app.h"
#include "app/window_arguments.h"

int main(int argc, char** argv) {
  // Help is answered before the window system is reached, so it needs no
  // display. Anything else is read once Qt has taken out its own options.
  const WindowArgumentsParse parse = ParseWindowArguments(std::vector<std::string>(argv + 1, argv + argc));
  if (parse.arguments && parse.arguments->help) {
    std::cout << WindowHelpText();
    return 0;
  }
  CConverterApp application(argc, argv);
  return application.Run();
}
