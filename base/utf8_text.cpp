#include "base/utf8_text.h"

#include <cstdint>
#include <cstring>

namespace {

constexpr std::uint64_t kHighBits = 0x8080808080808080ULL;

// Index of the first byte from 0x80 up, or the size when there is none;
// eight bytes are tested at a time.
std::size_t FirstNonAscii(const unsigned char* p, std::size_t size) {
  std::size_t i = 0;
  for (; i + 8 <= size; i += 8) {
    std::uint64_t word;
    std::memcpy(&word, p + i, sizeof word);
    if ((word & kHighBits) != 0) {
      break;
    }
  }
  while (i < size && p[i] < 0x80) {
    ++i;
  }
  return i;
}

}  // namespace

bool IsAscii(std::string_view bytes) {
  return FirstNonAscii(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()) == bytes.size();
}

bool IsValidUtf8(std::string_view bytes) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t size = bytes.size();
  std::size_t i = 0;
  while (true) {
    i += FirstNonAscii(p + i, size - i);
    if (i == size) {
      return true;
    }
    const std::size_t length = Utf8SequenceLength(bytes.substr(i));
    if (length == 0) {
      return false;
    }
    i += length;
  }
}

std::size_t Utf8SequenceLength(std::string_view bytes, std::size_t* subpart) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
  if (subpart != nullptr) *subpart = 1;
  if (bytes.empty()) return 0;
  const unsigned char lead = byte(0);
  if (lead < 0x80) return 1;
  std::size_t length = 0;
  unsigned char low = 0x80;
  unsigned char high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  for (std::size_t i = 1; i < length; ++i) {
    if (i >= bytes.size() || byte(i) < low || byte(i) > high) {
      if (subpart != nullptr) *subpart = i;
      return 0;
    }
    low = 0x80;
    high = 0xBF;
  }
  return length;
}
