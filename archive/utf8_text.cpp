#include "archive/utf8_text.h"

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

bool IsContinuation(unsigned char b) { return (b & 0xC0) == 0x80; }

// Length of the well-formed sequence at p, or 0 when it is ill-formed.
std::size_t SequenceLength(const unsigned char* p, std::size_t left) {
  const unsigned char lead = p[0];
  std::size_t length = 0;
  unsigned char secondLow = 0x80;
  unsigned char secondHigh = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    secondLow = lead == 0xE0 ? 0xA0 : 0x80;
    secondHigh = lead == 0xED ? 0x9F : 0xBF;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    secondLow = lead == 0xF0 ? 0x90 : 0x80;
    secondHigh = lead == 0xF4 ? 0x8F : 0xBF;
  } else {
    return 0;
  }
  if (left < length || p[1] < secondLow || p[1] > secondHigh) {
    return 0;
  }
  for (std::size_t i = 2; i < length; ++i) {
    if (!IsContinuation(p[i])) {
      return 0;
    }
  }
  return length;
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
    const std::size_t length = SequenceLength(p + i, size - i);
    if (length == 0) {
      return false;
    }
    i += length;
  }
}
