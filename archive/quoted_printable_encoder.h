#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/byte_buffer.h"

// RFC 2045 section 6.7 quoted-printable. A line feed, or a carriage return
// directly before one, is a line break of the text and becomes CR LF; any
// other carriage return is escaped. Only 33 to 126 (but "="), and the
// blanks inside a line, are written as themselves. Appends to `out`.
void AppendQuotedPrintable(std::string_view bytes, ByteBuffer& out);

// A count of zero or less gives the empty string.
std::string EncodeQuotedPrintable(const void* bytes, std::int64_t count);

// The same encoding for a text that arrives in pieces: the text appended is
// AppendQuotedPrintable's of all the pieces together, wherever they are cut.
// A carriage return or a blank that ends a piece waits for the next one,
// which decides how it is written.
class QuotedPrintableEncoder {
 public:
  void Append(std::string_view bytes, ByteBuffer& out);
  // The end of the text; the encoder is then ready for another.
  void Finish(ByteBuffer& out);

 private:
  void AppendPlainRun(const unsigned char* in, std::size_t& pos, std::size_t plainEnd, ByteBuffer& out);
  void AppendLineBreak(ByteBuffer& out);
  void AppendEscaped(unsigned char b, ByteBuffer& out);
  void BreakIfFull(ByteBuffer& out);
  bool TakeWaiting(std::string_view bytes, std::size_t& pos, ByteBuffer& out);

  std::size_t m_lineLength = 0;
  int m_previous = -1;  // the input byte before the next one; -1 before the first
  int m_waiting = -1;   // a carriage return or blank that ended the last piece; -1 for none
};
