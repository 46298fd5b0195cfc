#include "base/utf8_text.h"

#include <algorithm>
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

void Utf8Scan::Append(std::string_view bytes) {
  if (!m_valid || !TakeWaiting(bytes)) return;
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t size = bytes.size();
  for (std::size_t i = FirstNonAscii(p, size); i < size; i += FirstNonAscii(p + i, size - i)) {
    m_ascii = false;
    std::size_t subpart = 0;
    const std::size_t length = Utf8SequenceLength(bytes.substr(i), &subpart);
    if (length == 0) {
      // Cut short by the piece's end, it may still be finished by the next.
      m_valid = i + subpart == size;
      if (m_valid) {
        std::copy(bytes.begin() + static_cast<std::ptrdiff_t>(i), bytes.end(), m_waiting.begin());
        m_waitingSize = size - i;
      }
      return;
    }
    i += length;
  }
}

// Finishes the waiting sequence with the first bytes of the piece, which
// loses them; false when nothing of the piece is left to scan.
bool Utf8Scan::TakeWaiting(std::string_view& bytes) {
  if (m_waitingSize == 0) return true;
  std::array<char, 4> joined = m_waiting;
  const std::size_t taken = std::min(bytes.size(), joined.size() - m_waitingSize);
  std::copy_n(bytes.begin(), taken, joined.begin() + static_cast<std::ptrdiff_t>(m_waitingSize));
  std::size_t subpart = 0;
  const std::size_t length = Utf8SequenceLength(std::string_view(joined.data(), m_waitingSize + taken), &subpart);
  if (length == 0) {
    m_valid = subpart == m_waitingSize + taken;
    m_waiting = joined;
    m_waitingSize = subpart;
    return false;
  }
  bytes.remove_prefix(length - m_waitingSize);
  m_waitingSize = 0;
  return true;
}

void AppendUtf8(std::string& out, std::uint32_t codePoint) {
  if (codePoint < 0x80) {
    out.push_back(static_cast<char>(codePoint));
  } else if (codePoint < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (codePoint >> 6)));
    out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
  } else if (codePoint < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (codePoint >> 12)));
    out.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (codePoint >> 18)));
    out.push_back(static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
  }
}
