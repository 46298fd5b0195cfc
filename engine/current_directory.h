#pragma once

#include <string>

// Puts the process's current folder back, on every way out of a scope, to
// where it was when the guard was made. Conversions move the current folder
// to the page's base folder; the user's relative paths must keep meaning
// what they meant before.
class CurrentDirectoryGuard {
 public:
  CurrentDirectoryGuard();
  ~CurrentDirectoryGuard();
  CurrentDirectoryGuard(const CurrentDirectoryGuard&) = delete;
  CurrentDirectoryGuard& operator=(const CurrentDirectoryGuard&) = delete;

 private:
  std::string m_saved;  // empty when the current folder could not be read
};
