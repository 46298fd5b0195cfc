#include "base/byte_buffer.h"

#include <algorithm>
#include <utility>

ByteBuffer::ByteBuffer(ByteBuffer&& other) noexcept
    : m_bytes(std::move(other.m_bytes)),
      m_size(std::exchange(other.m_size, 0)),
      m_capacity(std::exchange(other.m_capacity, 0)) {}

ByteBuffer& ByteBuffer::operator=(ByteBuffer&& other) noexcept {
  m_bytes = std::move(other.m_bytes);
  m_size = std::exchange(other.m_size, 0);
  m_capacity = std::exchange(other.m_capacity, 0);
  return *this;
}

void ByteBuffer::Resize(std::size_t size) {
  if (size > m_capacity) Grow(size);
  m_size = size;
}

void ByteBuffer::Reserve(std::size_t capacity) {
  if (capacity > m_capacity) Grow(capacity);
}

void ByteBuffer::Release() {
  m_bytes.reset();
  m_size = 0;
  m_capacity = 0;
}

void ByteBuffer::Grow(std::size_t needed) {
  // An empty buffer takes just what is asked: a reader or an encoder asks at
  // once for all it needs, and a pooled buffer then fits the largest file
  // yet instead of half as much again.
  const std::size_t capacity = m_size == 0 ? needed : std::max(needed, m_capacity + m_capacity / 2);
  auto bytes = std::make_unique_for_overwrite<char[]>(capacity);
  if (m_size != 0) std::memcpy(bytes.get(), m_bytes.get(), m_size);
  m_bytes = std::move(bytes);
  m_capacity = capacity;
}
