#pragma once

#include <chrono>
#include <istream>
#include <optional>
#include <ostream>

#include "options/ui_services.h"

// The desktop services as a terminal offers them: every message goes to the
// standard error (the standard output may be carrying the archive), an
// error's first line after the program's name; nothing is opened and no
// question is asked.
class ConsoleServices : public UiServices {
 public:
  // What the program has to talk through. `progressDelay`: how long a
  // conversion runs before a progress bar shows on `err`; nothing when `err`
  // is not a terminal, where a bar would only litter a file or a pipe.
  struct Streams {
    std::ostream& out;
    std::ostream& err;
    std::istream* in = nullptr;  // nothing: no page can come from it
    std::optional<std::chrono::milliseconds> progressDelay = std::nullopt;
    bool outIsTerminal = false;  // an archive is never written there
  };

  explicit ConsoleServices(const Streams& streams) : m_streams(streams) {}
  ConsoleServices(std::ostream& out, std::ostream& err) : m_streams{out, err} {}

  MessageAnswer ShowMessage(const std::string& text, MessageStyle style) override;
  void ShowShellFailure(const std::string& text) override;
  bool OpenPath(const std::string& path) override;
  std::optional<std::string> ChooseOpenFile(const std::string& filter) override;

  // The terminal's streams, for what is not a message: help, version, usage,
  // the archive, a page.
  std::ostream& Out() const { return m_streams.out; }
  std::ostream& Err() const { return m_streams.err; }
  std::istream* In() const { return m_streams.in; }
  std::optional<std::chrono::milliseconds> ProgressDelay() const { return m_streams.progressDelay; }
  bool OutIsTerminal() const { return m_streams.outIsTerminal; }

 private:
  Streams m_streams;
};
