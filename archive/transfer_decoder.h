#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

// Turns a part's body, as it arrives in pieces of any size, back into the
// bytes it encodes (RFC 2045 section 6). A decoder holds a few bytes between
// pieces, never the body.
class TransferDecoder {
 public:
  virtual ~TransferDecoder() = default;
  // Appends to `out` what `encoded` decodes to, so far.
  virtual void Decode(std::string_view encoded, std::string& out) = 0;
  // After the last piece: appends what was held back.
  virtual void Finish(std::string& out) = 0;
  // Empty while the body decodes cleanly; else the first fault found, in
  // words for the user. Decoding goes on past a fault as leniently as a
  // mail reader would.
  const std::string& Fault() const { return m_fault; }

 protected:
  // The first fault stays. Callers in a loop ask Fault() first, so that a
  // body full of faults costs no message for each.
  void NoteFault(std::string fault) {
    if (m_fault.empty()) m_fault = std::move(fault);
  }

 private:
  std::string m_fault;
};

// The decoder for a Content-Transfer-Encoding value (case ignored):
// "base64", "quoted-printable", or one of the identities "7bit", "8bit",
// "binary" (also for an empty value, which means "7bit"). Nothing for any
// other name.
std::unique_ptr<TransferDecoder> MakeTransferDecoder(std::string_view encoding);

// Base64 ignoring line breaks and other white space, with "=" padding.
class Base64Decoder : public TransferDecoder {
 public:
  void Decode(std::string_view encoded, std::string& out) override;
  void Finish(std::string& out) override;

 private:
  std::uint32_t m_bits = 0;
  int m_held = 0;          // characters of the current group of four
  int m_padding = 0;       // "=" seen; only white space and "=" may follow
  std::uint64_t m_at = 0;  // characters read, for the fault's position
};

// Quoted-printable. A hard line break, CR LF or a lone LF, decodes to one
// line feed: the text's own line form. White space before a line break is
// the transport's and is dropped.
class QuotedPrintableDecoder : public TransferDecoder {
 public:
  void Decode(std::string_view encoded, std::string& out) override;
  void Finish(std::string& out) override;

 private:
  void LineBreak(std::string& out);
  void FlushSpace(std::string& out);

  enum class State { kText, kEquals, kEqualsHex, kSoftBreak, kCarriageReturn };
  State m_state = State::kText;
  char m_firstHex = 0;
  // White space not yet known to be the line's last; past a line's longest
  // length it is written out, so a line of spaces holds no more than that.
  std::string m_space;
  std::uint64_t m_at = 0;
};

// The bytes as they are.
class IdentityDecoder : public TransferDecoder {
 public:
  void Decode(std::string_view encoded, std::string& out) override { out.append(encoded); }
  void Finish(std::string&) override {}
};
