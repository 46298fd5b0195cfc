#include "base/removed_on_signal.h"

#include <signal.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <climits>
#include <cstring>
#include <mutex>

namespace {

constexpr std::array<int, 3> kSignals = {SIGINT, SIGTERM, SIGHUP};
constexpr int kSlots = 16;

// Filled before a conversion needs them: the handler may only read memory
// that exists already and call what is async-signal-safe.
struct Slot {
  char path[PATH_MAX];
  std::atomic<bool> used{false};
};
std::array<Slot, kSlots> g_slots;

std::mutex g_registration;                        // guards the two below
int g_registered = 0;
std::array<struct sigaction, kSignals.size()> g_previous;

std::atomic<const char*> g_farewell{nullptr};

extern "C" void RemoveRegisteredAndExit(int signal) {
  if (const char* farewell = g_farewell.load(std::memory_order_acquire)) {
    // Nothing is left to do about a farewell that cannot be written.
    if (::write(STDERR_FILENO, farewell, std::strlen(farewell)) < 0) {
    }
  }
  for (Slot& slot : g_slots) {
    if (slot.used.load(std::memory_order_acquire)) ::unlink(slot.path);
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
}

void RestoreHandlers() {
  for (std::size_t i = 0; i < kSignals.size(); ++i) ::sigaction(kSignals[i], &g_previous[i], nullptr);
}

}  // namespace

RemovedOnSignal::RemovedOnSignal(const std::string& path) : m_slot(-1) {
  if (path.size() >= PATH_MAX) return;
  const std::lock_guard lock(g_registration);
  for (int i = 0; i < kSlots; ++i) {
    Slot& slot = g_slots[static_cast<std::size_t>(i)];
    if (slot.used.load(std::memory_order_relaxed)) continue;
    std::memcpy(slot.path, path.c_str(), path.size() + 1);
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

void SetSignalFarewell(const char* text) noexcept { g_farewell.store(text, std::memory_order_release); }
