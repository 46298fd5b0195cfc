#pragma once

#include <cstddef>
#include <mutex>
#include <vector>

#include "base/byte_buffer.h"

// Byte buffers kept for reuse by the threads of one task. A buffer given back
// keeps its memory, so the next file read or encoded into it lands on pages
// already mapped: fresh pages cost a page fault each, which on a large site
// is a tenth of a conversion's time. Keeps at most `capacity` buffers; any
// given back beyond that are freed. Safe to use from several threads at once.
class BufferPool {
 public:
  explicit BufferPool(std::size_t capacity);
  BufferPool(const BufferPool&) = delete;
  BufferPool& operator=(const BufferPool&) = delete;

  // An empty buffer, with the memory of the last one given back if any.
  ByteBuffer Take();
  void Give(ByteBuffer buffer);

 private:
  std::mutex m_mutex;
  std::vector<ByteBuffer> m_free;  // guarded by m_mutex; never more than m_capacity
  std::size_t m_capacity;
};
