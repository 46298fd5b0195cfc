#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

#include "base/file_stamp.h"

// What a run of many conversions made of a file (its encoded part, what a
// scan found in it), kept by the file's stamp and a kind (whatever else the
// making depended on), so that a file many pages name is made once. Safe to
// share between threads: a thread that asks for a file another thread is
// making waits for it rather than making it too. It keeps at most
// `capacityBytes` (as its users count them); what does not fit is not kept
// and is made again by each page that needs it, so memory stays bounded
// however many files a run meets.
template <class Value, class Kind = int>
class StampedCache {
 public:
  explicit StampedCache(std::size_t capacityBytes) : m_capacity(capacityBytes) {}

  // The kept value, or the one `make` gives: a pair of the value and its
  // size in bytes. When `make` throws, nothing is kept, the exception goes
  // to the caller and the next one asking makes it again.
  template <class Make>
  std::shared_ptr<const Value> FindOrMake(const FileStamp& stamp, const Kind& kind, Make make) {
    const Key key{stamp, kind};
    std::shared_ptr<Slot> slot;
    {
      const std::lock_guard lock(m_lock);
      auto& found = m_slots[key];
      if (!found) found = std::make_shared<Slot>();
      slot = found;
    }
    const std::lock_guard making(slot->making);
    if (slot->value) {
      const std::lock_guard lock(m_lock);
      ++m_hits;
      return slot->value;
    }
    auto [value, bytes] = make();
    const std::lock_guard lock(m_lock);
    ++m_made;
    if (bytes <= m_capacity - m_held) {
      m_held += bytes;
      slot->value = value;
    } else if (const auto kept = m_slots.find(key); kept != m_slots.end() && kept->second == slot) {
      m_slots.erase(kept);
    }
    return value;
  }

  // How many times a value was made, and how many times one was found kept.
  std::size_t Made() const {
    const std::lock_guard lock(m_lock);
    return m_made;
  }
  std::size_t Hits() const {
    const std::lock_guard lock(m_lock);
    return m_hits;
  }

 private:
  using Key = std::pair<FileStamp, Kind>;
  struct Slot {
    std::mutex making;                   // held while the value is made
    std::shared_ptr<const Value> value;  // set, under both locks, once made and kept
  };

  mutable std::mutex m_lock;  // guards the members below, not the slots' values
  std::map<Key, std::shared_ptr<Slot>> m_slots;
  const std::size_t m_capacity;
  std::size_t m_held = 0;
  std::size_t m_made = 0;
  std::size_t m_hits = 0;
};

// What `make` gives for the file at `path`, made once for all the
// conversions that share `cache`; made each time when there is no cache or
// the file has no stamp. `bytes` tells the size a value is kept at.
template <class Value, class Make, class Bytes>
Value MakeOncePerFile(StampedCache<Value>* cache, const std::string& path, Make make, Bytes bytes) {
  const std::optional<FileStamp> stamp = cache != nullptr ? StampOfFile(path) : std::nullopt;
  if (!stamp) return make();
  return *cache->FindOrMake(*stamp, 0, [&] {
    auto value = std::make_shared<const Value>(make());
    const std::size_t size = bytes(*value);
    return std::make_pair(std::move(value), size);
  });
}
