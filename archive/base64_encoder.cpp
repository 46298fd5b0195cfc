#include "archive/base64_encoder.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr std::size_t kLineChars = 76;
constexpr std::size_t kLineBytes = Base64Encoder::kLineBytes;  // fill one line of kLineChars
static_assert(kLineBytes == kLineChars / 4 * 3);

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

std::uint64_t Byte(const unsigned char* p, std::size_t i) { return p[i]; }

void PutPair(std::uint64_t twelveBits, char* out) { std::memcpy(out, kPairs[twelveBits & 0xFFF].data(), 2); }

// Two groups of three bytes at once: 48 bits give four table reads.
char* EncodeGroupPairs(const unsigned char* in, std::size_t pairs, char* out) {
  for (std::size_t p = 0; p < pairs; ++p, in += 6, out += 8) {
    const std::uint64_t bits =
        Byte(in, 0) << 40 | Byte(in, 1) << 32 | Byte(in, 2) << 24 | Byte(in, 3) << 16 | Byte(in, 4) << 8 | Byte(in, 5);
    PutPair(bits >> 36, out);
    PutPair(bits >> 24, out + 2);
    PutPair(bits >> 12, out + 4);
    PutPair(bits, out + 6);
  }
  return out;
}

char* EncodeGroups(const unsigned char* in, std::size_t groups, char* out) {
  out = EncodeGroupPairs(in, groups / 2, out);
  if (groups % 2 != 0) {
    in += groups / 2 * 6;
    const std::uint64_t bits = Byte(in, 0) << 16 | Byte(in, 1) << 8 | Byte(in, 2);
    PutPair(bits >> 12, out);
    PutPair(bits, out + 2);
    out += 4;
  }
  return out;
}

// The last one or two bytes, padded with "=" (RFC 2045 section 6.8).
char* EncodeTail(const unsigned char* in, std::size_t count, char* out) {
  const std::uint64_t b0 = Byte(in, 0);
  const std::uint64_t b1 = count > 1 ? Byte(in, 1) : 0;
  out[0] = kAlphabet[b0 >> 2];
  out[1] = kAlphabet[(b0 & 3) << 4 | b1 >> 4];
  out[2] = count > 1 ? kAlphabet[(b1 & 15) << 2] : '=';
  out[3] = '=';
  return out + 4;
}

std::size_t EncodedSize(std::size_t count) {
  const std::size_t chars = (count + 2) / 3 * 4;
  return chars + chars / kLineChars * 2;
}

// A body's lines end in CR LF, as every line of a MIME message does (RFC 2045
// section 2.10, RFC 5322 section 2.1).
char* PutLineEnd(char* out) {
  out[0] = '\r';
  out[1] = '\n';
  return out + 2;
}

}  // namespace

void AppendBase64(std::string_view bytes, ByteBuffer& out) {
  const std::size_t start = out.Size();
  out.Resize(start + EncodedSize(bytes.size()));
  const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
  char* dest = out.Data() + start;

  std::size_t left = bytes.size();
  for (; left >= kLineBytes; left -= kLineBytes, in += kLineBytes) {
    dest = EncodeGroups(in, kLineBytes / 3, dest);
    dest = PutLineEnd(dest);
  }
  const std::size_t groups = left / 3;
  dest = EncodeGroups(in, groups, dest);
  const std::size_t tail = left % 3;
  if (tail != 0) {
    dest = EncodeTail(in + groups * 3, tail, dest);
  }
  // A last line that the padding filled to exactly 76 characters still ends
  // in a line end, like every full line.
  if (left != 0 && (groups + (tail != 0)) * 4 == kLineChars) {
    PutLineEnd(dest);
  }
}

std::string EncodeBase64(const void* bytes, std::size_t count) {
  ByteBuffer out;
  if (count != 0) {
    AppendBase64(std::string_view(static_cast<const char*>(bytes), count), out);
  }
  return std::string(out.View());
}

void Base64Encoder::Append(std::string_view bytes, ByteBuffer& out) {
  if (m_waitingSize != 0) {
    const std::size_t taken = std::min(bytes.size(), kLineBytes - m_waitingSize);
    if (taken == 0) return;
    std::memcpy(m_waiting.data() + m_waitingSize, bytes.data(), taken);
    m_waitingSize += taken;
    bytes.remove_prefix(taken);
    if (m_waitingSize < kLineBytes) return;
    AppendBase64(std::string_view(m_waiting.data(), kLineBytes), out);
    m_waitingSize = 0;
  }
  const std::size_t whole = bytes.size() / kLineBytes * kLineBytes;
  AppendBase64(bytes.substr(0, whole), out);
  bytes.remove_prefix(whole);
  if (!bytes.empty()) std::memcpy(m_waiting.data(), bytes.data(), bytes.size());
  m_waitingSize = bytes.size();
}

void Base64Encoder::Finish(ByteBuffer& out) {
  AppendBase64(std::string_view(m_waiting.data(), m_waitingSize), out);
  m_waitingSize = 0;
}
