#include "engine/current_directory.h"

#include <unistd.h>

#include <climits>

CurrentDirectoryGuard::CurrentDirectoryGuard() {
  char buffer[PATH_MAX];
  if (getcwd(buffer, sizeof buffer)) m_saved = buffer;
}

CurrentDirectoryGuard::~CurrentDirectoryGuard() {
  if (m_saved.empty()) return;
  // A folder removed meanwhile cannot be restored; there is nowhere better to go.
  [[maybe_unused]] const int result = chdir(m_saved.c_str());
}
