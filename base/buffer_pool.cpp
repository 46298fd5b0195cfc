#include "base/buffer_pool.h"

#include <utility>

BufferPool::BufferPool(std::size_t capacity) : m_capacity(capacity) {
  // Room for every buffer it keeps, so that giving one back never allocates.
  m_free.reserve(capacity);
}

ByteBuffer BufferPool::Take() {
  const std::lock_guard lock(m_mutex);
  if (m_free.empty()) return ByteBuffer();
  ByteBuffer buffer = std::move(m_free.back());
  m_free.pop_back();
  buffer.Clear();
  return buffer;
}

void BufferPool::Give(ByteBuffer buffer) {
  const std::lock_guard lock(m_mutex);
  if (m_free.size() < m_capacity) m_free.push_back(std::move(buffer));
}
