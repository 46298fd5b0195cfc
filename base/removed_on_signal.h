#pragma once

#include <string>

// Keeps a temporary file from outliving the process when SIGINT, SIGTERM or
// SIGHUP ends it. While at least one file is registered, each of those
// signals removes every registered file and ends the process with status
// 128 + the signal; once none is, the earlier handlers are back. A signal
// the process ignores stays ignored. SIGKILL cannot be caught, so a file can
// still stay behind when the process is killed that way.
class RemovedOnSignal {
 public:
  // Registers `path`. Done before the file is created, so that there is no
  // moment in which it exists unregistered; a path longer than PATH_MAX, or
  // one more than the few slots hold, is removed on ordinary ends only.
  explicit RemovedOnSignal(const std::string& path);
  ~RemovedOnSignal();
  RemovedOnSignal(const RemovedOnSignal&) = delete;
  RemovedOnSignal& operator=(const RemovedOnSignal&) = delete;

 private:
  int m_slot;  // -1 when not registered
};

// Text written to the standard error before one of those signals ends the
// process, such as the line end a progress bar on the terminal still needs;
// null for none. The text must stay valid until it is replaced.
void SetSignalFarewell(const char* text) noexcept;
