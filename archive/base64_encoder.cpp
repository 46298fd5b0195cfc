#include "archive/base64_encoder.h"

#include <array>
#include <cstdint>

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr std::size_t kLineChars = 76;
constexpr std::size_t kLineBytes = kLineChars / 4 * 3;  // 57 input bytes fill one line

// Two output characters for every 12-bit value, so a group of three bytes
// costs two table reads instead of four.
using PairTable = std::array<std::array<char, 2>, 4096>;

constexpr PairTable MakePairTable() {
  PairTable table{};
  for (std::size_t value = 0; value < table.size(); ++value) {
    table[value] = {kAlphabet[value >> 6], kAlphabet[value & 63]};
  }
  return table;
}

constexpr PairTable kPairs = MakePairTable();

std::uint32_t Byte(const unsigned char* p, std::size_t i) { return p[i]; }

char* EncodeGroups(const unsigned char* in, std::size_t groups, char* out) {
  for (std::size_t g = 0; g < groups; ++g, in += 3, out += 4) {
    const std::uint32_t triple = Byte(in, 0) << 16 | Byte(in, 1) << 8 | Byte(in, 2);
    const auto& high = kPairs[triple >> 12];
    const auto& low = kPairs[triple & 0xFFF];
    out[0] = high[0];
    out[1] = high[1];
    out[2] = low[0];
    out[3] = low[1];
  }
  return out;
}

// The last one or two bytes, padded with "=" (RFC 2045 section 6.8).
char* EncodeTail(const unsigned char* in, std::size_t count, char* out) {
  const std::uint32_t b0 = Byte(in, 0);
  const std::uint32_t b1 = count > 1 ? Byte(in, 1) : 0;
  out[0] = kAlphabet[b0 >> 2];
  out[1] = kAlphabet[(b0 & 3) << 4 | b1 >> 4];
  out[2] = count > 1 ? kAlphabet[(b1 & 15) << 2] : '=';
  out[3] = '=';
  return out + 4;
}

std::size_t EncodedSize(std::size_t count) {
  const std::size_t chars = (count + 2) / 3 * 4;
  return chars + chars / kLineChars;
}

}  // namespace

void AppendBase64(std::string_view bytes, std::string& out) {
  const std::size_t start = out.size();
  out.resize(start + EncodedSize(bytes.size()));
  const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
  char* dest = out.data() + start;

  std::size_t left = bytes.size();
  for (; left >= kLineBytes; left -= kLineBytes, in += kLineBytes) {
    dest = EncodeGroups(in, kLineBytes / 3, dest);
    *dest++ = '\n';
  }
  const std::size_t groups = left / 3;
  dest = EncodeGroups(in, groups, dest);
  const std::size_t tail = left % 3;
  if (tail != 0) {
    dest = EncodeTail(in + groups * 3, tail, dest);
  }
  // A last line that the padding filled to exactly 76 characters still ends
  // in a line feed, like every full line.
  if (left != 0 && (groups + (tail != 0)) * 4 == kLineChars) {
    *dest++ = '\n';
  }
}

std::string EncodeBase64(const void* bytes, std::size_t count) {
  std::string out;
  if (count != 0) {
    AppendBase64(std::string_view(static_cast<const char*>(bytes), count), out);
  }
  return out;
}
