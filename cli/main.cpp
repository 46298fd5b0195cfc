#include <iostream>

#include "cli/cli_run.h"
#include "cli/console_services.h"

int main(int argc, char** argv) {
  ConsoleServices console(std::cout, std::cerr);
  return RunCommandLine(std::vector<std::string>(argv + 1, argv + argc), console);
}
