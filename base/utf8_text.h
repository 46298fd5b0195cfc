#pragma once

#include <array>
#include <cstddef>
#include <string_view>

// True when every byte is below 0x80.
bool IsAscii(std::string_view bytes);

// True when the bytes are well-formed UTF-8 (Unicode table 3-7: no overlong
// forms, no surrogates, nothing above U+10FFFF).
bool IsValidUtf8(std::string_view bytes);

// The length of the well-formed sequence at the start of `bytes` (1 for an
// ASCII byte), or 0 when it is ill-formed; then `subpart`, when given, gets
// the length of its longest prefix that could have begun a sequence (at
// least 1), the unit that one U+FFFD replaces.
std::size_t Utf8SequenceLength(std::string_view bytes, std::size_t* subpart = nullptr);

// IsAscii and IsValidUtf8 of a text that arrives in pieces, cut anywhere:
// a sequence that a piece leaves unfinished waits for the next.
class Utf8Scan {
 public:
  void Append(std::string_view bytes);
  bool IsAscii() const { return m_ascii; }
  // Of the pieces so far, taken as the whole text.
  bool IsValidUtf8() const { return m_valid && m_waitingSize == 0; }

 private:
  bool TakeWaiting(std::string_view& bytes);

  bool m_ascii = true;
  bool m_valid = true;
  std::array<char, 4> m_waiting{};  // the start of an unfinished sequence
  std::size_t m_waitingSize = 0;
};
