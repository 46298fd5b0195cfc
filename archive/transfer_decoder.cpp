#include "archive/transfer_decoder.h"

#include <array>
#include <cstdio>

#include "base/path_text.h"

namespace {

constexpr std::uint8_t kNotBase64 = 0xFF;
constexpr std::uint8_t kSpace = 0xFE;
constexpr std::uint8_t kPad = 0xFD;

constexpr std::array<std::uint8_t, 256> MakeBase64Values() {
  std::array<std::uint8_t, 256> values{};
  for (auto& value : values) value = kNotBase64;
  constexpr std::string_view kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  for (std::size_t i = 0; i < kAlphabet.size(); ++i) {
    values[static_cast<unsigned char>(kAlphabet[i])] = static_cast<std::uint8_t>(i);
  }
  for (const char space : {' ', '\t', '\r', '\n'}) values[static_cast<unsigned char>(space)] = kSpace;
  values['='] = kPad;
  return values;
}

constexpr std::array<std::uint8_t, 256> kBase64Values = MakeBase64Values();

// The longest line RFC 5322 allows, line break included.
constexpr std::size_t kLongestLine = 998;

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  // Lower-case digits are not the encoding's, but mean the same byte.
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::string ByteName(unsigned char byte) {
  char name[8];
  std::snprintf(name, sizeof name, "0x%02X", byte);
  return name;
}

}  // namespace

std::unique_ptr<TransferDecoder> MakeTransferDecoder(std::string_view encoding) {
  const std::string name = ToLower(encoding);
  if (name == "base64") return std::make_unique<Base64Decoder>();
  if (name == "quoted-printable") return std::make_unique<QuotedPrintableDecoder>();
  if (name.empty() || name == "7bit" || name == "8bit" || name == "binary") return std::make_unique<IdentityDecoder>();
  return nullptr;
}

void Base64Decoder::Decode(std::string_view encoded, std::string& out) {
  const std::size_t written = out.size();
  out.resize(written + encoded.size() / 4 * 3 + 3);
  char* write = out.data() + written;
  const auto* at = reinterpret_cast<const unsigned char*>(encoded.data());
  const unsigned char* const end = at + encoded.size();
  while (at < end) {
    // Whole groups between line breaks, the bulk of every body, four
    // characters at a time.
    if (m_held == 0 && m_padding == 0) {
      const unsigned char* const groupsStart = at;
      while (end - at >= 4) {
        const std::uint32_t a = kBase64Values[at[0]], b = kBase64Values[at[1]], c = kBase64Values[at[2]],
                            d = kBase64Values[at[3]];
        if ((a | b | c | d) >= 64) break;
        const std::uint32_t bits = a << 18 | b << 12 | c << 6 | d;
        write[0] = static_cast<char>(bits >> 16);
        write[1] = static_cast<char>(bits >> 8);
        write[2] = static_cast<char>(bits);
        write += 3;
        at += 4;
      }
      m_at += static_cast<std::uint64_t>(at - groupsStart);
      if (at == end) break;
    }
    const unsigned char c = *at++;
    const std::uint8_t value = kBase64Values[c];
    ++m_at;
    if (value < 64) {
      if (m_padding > 0) {
        if (Fault().empty()) NoteFault("base64 goes on after its padding, at character " + std::to_string(m_at));
        m_padding = 0;
      }
      m_bits = (m_bits << 6) | value;
      if (++m_held == 4) {
        write[0] = static_cast<char>(m_bits >> 16);
        write[1] = static_cast<char>(m_bits >> 8);
        write[2] = static_cast<char>(m_bits);
        write += 3;
        m_held = 0;
        m_bits = 0;
      }
    } else if (value == kPad) {
      if (m_held < 2 && m_padding == 0 && Fault().empty()) {
        NoteFault("base64 padding out of place, at character " + std::to_string(m_at));
      }
      if (m_held >= 2) {
        // The group's whole bytes are known once its padding begins.
        *write++ = static_cast<char>(m_bits >> (m_held == 2 ? 4 : 10));
        if (m_held == 3) *write++ = static_cast<char>(m_bits >> 2);
        m_held = 0;
        m_bits = 0;
      }
      ++m_padding;
    } else if (value == kNotBase64 && Fault().empty()) {
      NoteFault("invalid base64 character " + ByteName(c) + " at character " + std::to_string(m_at));
    }
  }
  out.resize(static_cast<std::size_t>(write - out.data()));
}

void Base64Decoder::Finish(std::string& out) {
  if (m_held == 1) NoteFault("base64 ends in an incomplete group");
  if (m_held >= 2) {
    NoteFault("base64 ends without its padding");
    out.push_back(static_cast<char>(m_bits >> (m_held == 2 ? 4 : 10)));
    if (m_held == 3) out.push_back(static_cast<char>(m_bits >> 2));
  }
  m_held = 0;
  m_bits = 0;
}

void QuotedPrintableDecoder::LineBreak(std::string& out) {
  m_space.clear();
  out.push_back('\n');
}

void QuotedPrintableDecoder::FlushSpace(std::string& out) {
  out.append(m_space);
  m_space.clear();
}

void QuotedPrintableDecoder::Decode(std::string_view encoded, std::string& out) {
  out.reserve(out.size() + encoded.size());
  for (const char c : encoded) {
    ++m_at;
    switch (m_state) {
      case State::kText:
        if (c == '=') {
          FlushSpace(out);
          m_state = State::kEquals;
        } else if (c == ' ' || c == '\t') {
          m_space.push_back(c);
          if (m_space.size() >= kLongestLine) FlushSpace(out);
        } else if (c == '\n') {
          LineBreak(out);
        } else if (c == '\r') {
          m_state = State::kCarriageReturn;
        } else {
          FlushSpace(out);
          out.push_back(c);
        }
        break;
      case State::kCarriageReturn:
        m_state = State::kText;
        if (c == '\n') {
          LineBreak(out);
          break;
        }
        // A carriage return alone is kept as a byte of the text.
        FlushSpace(out);
        out.push_back('\r');
        Decode(std::string_view(&c, 1), out);
        --m_at;
        break;
      case State::kEquals:
        if (HexValue(c) >= 0) {
          m_firstHex = c;
          m_state = State::kEqualsHex;
        } else if (c == '\n' || c == ' ' || c == '\t' || c == '\r') {
          m_state = c == '\n' ? State::kText : State::kSoftBreak;
        } else {
          if (Fault().empty()) NoteFault("invalid quoted-printable escape at character " + std::to_string(m_at));
          out.push_back('=');
          m_state = State::kText;
          Decode(std::string_view(&c, 1), out);
          --m_at;
        }
        break;
      case State::kEqualsHex:
        m_state = State::kText;
        if (HexValue(c) >= 0) {
          out.push_back(static_cast<char>(HexValue(m_firstHex) * 16 + HexValue(c)));
        } else {
          if (Fault().empty()) NoteFault("invalid quoted-printable escape at character " + std::to_string(m_at));
          out.push_back('=');
          out.push_back(m_firstHex);
          Decode(std::string_view(&c, 1), out);
          --m_at;
        }
        break;
      case State::kSoftBreak:
        // "=" then the transport's white space, up to the line break.
        if (c == '\n') {
          m_state = State::kText;
        } else if (c != ' ' && c != '\t' && c != '\r') {
          if (Fault().empty()) NoteFault("invalid quoted-printable escape at character " + std::to_string(m_at));
          m_state = State::kText;
          Decode(std::string_view(&c, 1), out);
          --m_at;
        }
        break;
    }
  }
}

void QuotedPrintableDecoder::Finish(std::string& out) {
  if (m_state == State::kEquals || m_state == State::kEqualsHex) {
    // "=" as the body's last character is a soft break before its end.
    if (m_state == State::kEqualsHex) {
      NoteFault("quoted-printable ends inside an escape");
      out.push_back('=');
      out.push_back(m_firstHex);
    }
  } else if (m_state == State::kCarriageReturn) {
    out.push_back('\r');
  }
  // White space at the very end is before the delimiter's line break.
  m_space.clear();
  m_state = State::kText;
}
