#pragma once

#include <chrono>
#include <optional>
#include <ostream>

#include "options/ui_services.h"

// The desktop services as a terminal offers them: information goes to the
// standard output, errors and warnings to the standard error; nothing is
// opened and no question is asked.
class ConsoleServices : public UiServices {
 public:
  // `progressDelay`: how long a conversion runs before a progress bar shows
  // on `err`; nothing when `err` is not a terminal, where a bar would only
  // litter a file or a pipe.
  ConsoleServices(std::ostream& out, std::ostream& err,
                  std::optional<std::chrono::milliseconds> progressDelay = std::nullopt)
      : m_out(out), m_err(err), m_progressDelay(progressDelay) {}

  int ShowMessage(const std::string& text, unsigned style) override;
  void ShowShellFailure(const std::string& text) override;
  bool OpenPath(const std::string& path) override;
  std::optional<std::string> ChooseOpenFile(const std::string& filter) override;

  // The terminal's two streams, for what is not a message: help, version, usage.
  std::ostream& Out() const { return m_out; }
  std::ostream& Err() const { return m_err; }
  std::optional<std::chrono::milliseconds> ProgressDelay() const { return m_progressDelay; }

 private:
  std::ostream& m_out;  // not owned
  std::ostream& m_err;  // not owned
  std::optional<std::chrono::milliseconds> m_progressDelay;
};
