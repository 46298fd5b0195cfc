#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <string>

#include "cli/cli_run.h"
#include "cli/console_services.h"

namespace {

// A bar only on a terminal, and only for a conversion long enough to need
// one. SCRIVANE_PROGRESS_DELAY_MS shortens the wait so that the program's
// own tests can watch the bar on a quick conversion.
std::optional<std::chrono::milliseconds> ProgressDelay() {
  if (::isatty(STDERR_FILENO) == 0) return std::nullopt;
  std::chrono::milliseconds delay{1000};
  if (const char* text = std::getenv("SCRIVANE_PROGRESS_DELAY_MS"); text != nullptr && *text != '\0') {
    char* end = nullptr;
    const long milliseconds = std::strtol(text, &end, 10);
    if (*end == '\0' && milliseconds >= 0) delay = std::chrono::milliseconds(milliseconds);
  }
  return delay;
}

}  // namespace

int main(int argc, char** argv) {
  // The archive may be streamed through std::cout: C's stdio is not used.
  std::ios::sync_with_stdio(false);
  ConsoleServices console({.out = std::cout,
                           .err = std::cerr,
                           .in = &std::cin,
                           .progressDelay = ProgressDelay(),
                           .outIsTerminal = ::isatty(STDOUT_FILENO) != 0});
  return RunCommandLine(std::vector<std::string>(argv + 1, argv + argc), console);
}
