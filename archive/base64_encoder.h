#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "base/byte_buffer.h"

// RFC 2045 section 6.8 base64 with lines of 76 characters, each full line
// ended by CR LF. Appends to `out`, writing each character once.
void AppendBase64(std::string_view bytes, ByteBuffer& out);

std::string EncodeBase64(const void* bytes, std::size_t count);

// The same encoding for a body that arrives in pieces: the text appended is
// AppendBase64's of all the pieces together, whatever their sizes. Pieces of
// a multiple of 57 bytes (one line) pass straight through; otherwise the
// bytes of an unfinished line wait here for the next piece.
class Base64Encoder {
 public:
  static constexpr std::size_t kLineBytes = 57;

  void Append(std::string_view bytes, ByteBuffer& out);
  // The last line, padded; the encoder is then ready for another body.
  void Finish(ByteBuffer& out);

 private:
  std::array<char, kLineBytes> m_waiting{};
  std::size_t m_waitingSize = 0;
};
