#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "archive/mime_header.h"
#include "archive/transfer_decoder.h"

// What the archive's own header says.
struct MimeMessage {
  std::string type;  // "multipart/related", lower-cased
  std::string boundary;
  std::string start;             // the main part's Content-ID, when the header names one
  std::string snapshotLocation;  // Snapshot-Content-Location, which Chromium writes
};

// One part's header, as read.
struct MimePart {
  std::size_t number = 0;        // from 1, in the archive's order
  std::string type;              // lower-cased "type/subtype"; "text/plain" when not given
  std::string charset;           // as written; empty when not given
  std::string transferEncoding;  // lower-cased; "7bit" when not given
  std::string location;          // Content-Location, unfolded; empty when not given
  std::string contentId;         // without its angle brackets; empty when not given
};

// Where a reader sends the parts. Each part that begins also ends.
class MimePartSink {
 public:
  virtual ~MimePartSink() = default;
  virtual void PartBegins(const MimePart& part) = 0;
  // The part's decoded bytes, in pieces of any size.
  virtual void PartBytes(std::string_view decoded) = 0;
  // `fault` is empty when the whole body decoded cleanly; else the first
  // thing wrong with it, in words for the user.
  virtual void PartEnds(std::uint64_t decodedSize, const std::string& fault) = 0;
};

// Reads a MIME multipart message (RFC 2045, RFC 2046 section 5.1, RFC 2557)
// as its bytes arrive, in pieces of any size, and hands each part's decoded
// bytes to a sink as they come. Memory holds a header and a few bytes of a
// body, never a body, whatever a part's size; time is linear in the bytes.
//
// Line breaks may be CR LF or a lone LF. A part that is itself a multipart
// is handed on as its bytes, with a fault: a page's archive is one level.
class MimeReader {
 public:
  // Limits past which an archive is refused rather than held in memory.
  static constexpr std::size_t kLongestHeaderField = 64 * 1024;
  static constexpr std::size_t kLargestHeader = 256 * 1024;
  static constexpr std::size_t kMostParts = 100000;

  explicit MimeReader(MimePartSink& sink);
  ~MimeReader();
  MimeReader(const MimeReader&) = delete;
  MimeReader& operator=(const MimeReader&) = delete;

  // False once the archive can be read no further: Error says why, and a
  // part begun has ended with that fault.
  bool Feed(std::string_view bytes);
  // After the last bytes: false when the archive ends before its closing
  // delimiter or anywhere else but its end.
  bool Finish();

  const std::string& Error() const { return m_error; }
  const MimeMessage& Message() const { return m_message; }

 private:
  enum class State { kMessageHeader, kPreamble, kPartHeader, kBody, kEpilogue, kFailed };

  void Process(bool atEnd);
  bool ReadHeaderLine();
  bool StartMessage();
  bool StartPart();
  bool SkipPreamble(bool atEnd);
  bool ReadBody(bool atEnd);

  // What the boundary's dashes at a line's start make of the line.
  struct Delimiter {
    enum Kind { kNone, kPart, kClosing, kUnknown };  // kUnknown: the bytes that tell are yet to come
    Kind kind = kNone;
    std::size_t end = 0;  // past the line, for kPart and kClosing
  };
  Delimiter DelimiterAt(std::size_t dashes, bool atEnd) const;
  // The next "--boundary" at a line's start, from `from` on; npos when none.
  std::size_t NextDelimiter(std::size_t from) const;
  // Lets go of pending bytes but the few a delimiter may begin with.
  void KeepTail();
  // Decodes the pending bytes up to `end` into the part.
  void SendBody(std::size_t end);
  void EndPart(const std::string& fault);
  void Fail(std::string error);

  MimePartSink& m_sink;
  State m_state = State::kMessageHeader;
  std::string m_pending;  // bytes received and not yet used, from m_start
  std::size_t m_start = 0;
  bool m_lineStart = true;  // the byte before m_start ended a line that is no part of a body
  std::string m_delimiter;  // "--" and the boundary
  MimeHeader m_header;      // of the message, then of the part being read
  std::size_t m_headerSize = 0;
  MimeMessage m_message;
  MimePart m_part;
  std::unique_ptr<TransferDecoder> m_decoder;
  std::string m_partFault;  // found in the part's header
  std::string m_decoded;    // scratch for the decoder's output
  std::uint64_t m_decodedSize = 0;
  std::string m_error;
};
