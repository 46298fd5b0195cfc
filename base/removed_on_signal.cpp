#include "base/removed_on_signal.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <climits>
#include <cstring>
#include <mutex>

namespace {

// Every signal whose default action ends the process and that others send
// to end it; SIGXFSZ, which a file-size limit raises, is ignored instead.
constexpr std::array<int, 8> kSignals = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE, SIGALRM, SIGUSR1, SIGUSR2};
constexpr int kSlots = 16;

// Filled before a conversion needs them: the handler may only read memory
// that exists already and call what is async-signal-safe.
struct Slot {
  char name[NAME_MAX + 1];
  int folderFd = -1;
  std::atomic<bool> used{false};
};
std::array<Slot, kSlots> g_slots;

std::mutex g_registration;  // guards the three below
int g_registered = 0;
std::array<struct sigaction, kSignals.size()> g_previous;
struct sigaction g_previousFileSize;

std::atomic<const char*> g_farewell{nullptr};

extern "C" void RemoveRegisteredAndExit(int signal) {
  if (const char* farewell = g_farewell.load(std::memory_order_acquire)) {
    // Nothing is left to do about a farewell that cannot be written.
    if (::write(STDERR_FILENO, farewell, std::strlen(farewell)) < 0) {
    }
  }
  for (Slot& slot : g_slots) {
    if (slot.used.load(std::memory_order_acquire)) ::unlinkat(slot.folderFd, slot.name, 0);
  }
  ::_exit(128 + signal);
}

void InstallHandlers() {
  struct sigaction action {};
  action.sa_handler = RemoveRegisteredAndExit;
  ::sigemptyset(&action.sa_mask);
  for (const int signal : kSignals) ::sigaddset(&action.sa_mask, signal);
  for (std::size_t i = 0; i < kSignals.size(); ++i) {
    ::sigaction(kSignals[i], nullptr, &g_previous[i]);
    // nohup and background jobs ignore some of them on purpose.
    if (g_previous[i].sa_handler != SIG_IGN) ::sigaction(kSignals[i], &action, nullptr);
  }
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  ::sigemptyset(&ignore.sa_mask);
  ::sigaction(SIGXFSZ, &ignore, &g_previousFileSize);
}

void RestoreHandlers() {
  for (std::size_t i = 0; i < kSignals.size(); ++i) ::sigaction(kSignals[i], &g_previous[i], nullptr);
  ::sigaction(SIGXFSZ, &g_previousFileSize, nullptr);
}

}  // namespace

RemovedOnSignal::RemovedOnSignal(int folderFd, const std::string& name) : m_slot(-1) {
  if (name.size() > NAME_MAX) return;
  const std::lock_guard lock(g_registration);
  for (int i = 0; i < kSlots; ++i) {
    Slot& slot = g_slots[static_cast<std::size_t>(i)];
    if (slot.used.load(std::memory_order_relaxed)) continue;
    std::memcpy(slot.name, name.c_str(), name.size() + 1);
    slot.folderFd = folderFd;
    slot.used.store(true, std::memory_order_release);
    m_slot = i;
    if (g_registered++ == 0) InstallHandlers();
    return;
  }
}

RemovedOnSignal::~RemovedOnSignal() {
  if (m_slot < 0) return;
  const std::lock_guard lock(g_registration);
  g_slots[static_cast<std::size_t>(m_slot)].used.store(false, std::memory_order_release);
  if (--g_registered == 0) RestoreHandlers();
}

// A farewell holds the handlers as a registered file does: a bar may be on
// the terminal before the temporary file exists, and a signal then must
// still end its line.
void SetSignalFarewell(const char* text) noexcept {
  const std::lock_guard lock(g_registration);
  const bool had = g_farewell.exchange(text, std::memory_order_acq_rel) != nullptr;
  if (!had && text != nullptr && g_registered++ == 0) InstallHandlers();
  if (had && text == nullptr && --g_registered == 0) RestoreHandlers();
}
