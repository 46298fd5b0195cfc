#pragma once

#include <cstddef>
#include <cstring>
#include <memory>
#include <string_view>

// A growable run of bytes that is never zero-filled. Growing it leaves the
// new bytes unset, for a reader or an encoder that writes every one of them
// next: a std::string would clear them first, a pass over memory that is
// about to be overwritten. Emptying it keeps its memory, so one buffer reused
// for file after file touches fresh pages only when a file outgrows it.
class ByteBuffer {
 public:
  ByteBuffer() = default;
  ByteBuffer(ByteBuffer&& other) noexcept;
  ByteBuffer& operator=(ByteBuffer&& other) noexcept;
  ByteBuffer(const ByteBuffer&) = delete;
  ByteBuffer& operator=(const ByteBuffer&) = delete;
  ~ByteBuffer() = default;

  // Sets the size. The bytes below the old size keep their values; those
  // above it are unset until the caller writes them. Throws std::bad_alloc.
  void Resize(std::size_t size);
  // Room for `capacity` bytes in all, the size unchanged. Throws std::bad_alloc.
  void Reserve(std::size_t capacity);
  // Throws std::bad_alloc.
  void Append(std::string_view bytes) {
    if (bytes.size() > m_capacity - m_size) Grow(m_size + bytes.size());
    std::memcpy(m_bytes.get() + m_size, bytes.data(), bytes.size());
    m_size += bytes.size();
  }
  // Size 0; the memory stays for the next use.
  void Clear() { m_size = 0; }
  // Size 0, and the memory goes back to the allocator.
  void Release();

  char* Data() { return m_bytes.get(); }
  const char* Data() const { return m_bytes.get(); }
  std::size_t Size() const { return m_size; }
  std::size_t Capacity() const { return m_capacity; }
  bool Empty() const { return m_size == 0; }
  std::string_view View() const { return {m_bytes.get(), m_size}; }

 private:
  // Room for at least `needed` bytes, keeping the set ones; a buffer that
  // holds bytes grows by half again at least, so that appending piece by
  // piece copies each byte a bounded number of times.
  void Grow(std::size_t needed);

  std::unique_ptr<char[]> m_bytes;  // owned; the first m_size bytes are set, the rest up to m_capacity unset
  std::size_t m_size = 0;
  std::size_t m_capacity = 0;
};
