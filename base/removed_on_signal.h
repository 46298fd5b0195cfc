#pragma once

#include <string>

// Keeps a temporary file from outliving the process when a signal that
// would end it arrives: SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE, SIGALRM,
// SIGUSR1 or SIGUSR2. While at least one file is registered, each of those
// removes every registered file and ends the process with status 128 + the
// signal, and SIGXFSZ is ignored, so that a file-size limit fails the write
// (EFBIG) instead of ending the process with the file left behind; once none
// is, the earlier handlers are back. A signal the process ignores stays
// ignored. SIGKILL cannot be caught, so a file can still stay behind when
// the process is killed that way.
class RemovedOnSignal {
 public:
  // Registers the file `name` in the folder open as `folderFd`, which must
  // stay open while it is registered. Done before the file is created, so
  // that there is no moment in which it exists unregistered; a name longer
  // than NAME_MAX, or one more than the few slots hold, is removed on
  // ordinary ends only.
  RemovedOnSignal(int folderFd, const std::string& name);
  ~RemovedOnSignal();
  RemovedOnSignal(const RemovedOnSignal&) = delete;
  RemovedOnSignal& operator=(const RemovedOnSignal&) = delete;

 private:
  int m_slot;  // -1 when not registered
};

// Text written to the standard error before one of those signals ends the
// process, such as the line end a progress bar on the terminal still needs;
// null for none. The text must stay valid until it is replaced. While there
// is one, those signals end the process through it even when no file is
// registered.
void SetSignalFarewell(const char* text) noexcept;
