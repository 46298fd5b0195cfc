#pragma once

#include <filesystem>

// Puts the test process's current folder back to where it was, for tests
// that start the program's code from another folder.
class CurrentFolderGuard {
 public:
  CurrentFolderGuard() : m_saved(std::filesystem::current_path()) {}
  CurrentFolderGuard(const CurrentFolderGuard&) = delete;
  CurrentFolderGuard& operator=(const CurrentFolderGuard&) = delete;
  ~CurrentFolderGuard() { std::filesystem::current_path(m_saved); }

 private:
  std::filesystem::path m_saved;
};
