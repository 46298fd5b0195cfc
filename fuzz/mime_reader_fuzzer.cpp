// The archive reader, whatever the bytes: every part that begins ends, with
// the size of the bytes it was given, and the parts, their bytes, faults and
// the reader's error are the same whether the archive arrives whole or in
// pieces (the input's first byte gives their size).
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "archive/mime_reader.h"
#include "fuzz/fuzz_check.h"

namespace {

class RecordingSink : public MimePartSink {
 public:
  void PartBegins(const MimePart& part) override {
    Require(!m_open, "a part begins while another is open");
    m_open = true;
    m_size = 0;
    record += "begin " + std::to_string(part.number) + ' ' + part.type + ' ' + part.charset + ' ' +
              part.transferEncoding + ' ' + part.location + ' ' + part.contentId + '\n';
  }
  void PartBytes(std::string_view decoded) override {
    Require(m_open, "bytes outside a part");
    m_size += decoded.size();
    record.append(decoded);
  }
  void PartEnds(std::uint64_t decodedSize, const std::string& fault) override {
    Require(m_open, "a part ends that never began");
    Require(decodedSize == m_size, "the decoded size is the bytes given");
    m_open = false;
    record += "\nend " + fault + '\n';
  }
  bool Open() const { return m_open; }

  std::string record;

 private:
  bool m_open = false;
  std::uint64_t m_size = 0;
};

std::string Read(std::string_view archive, std::size_t piece) {
  RecordingSink sink;
  MimeReader reader(sink);
  bool going = true;
  for (std::size_t at = 0; going && at < archive.size(); at += piece) going = reader.Feed(archive.substr(at, piece));
  const bool whole = going && reader.Finish();
  Require(!sink.Open(), "every part that begins ends");
  return sink.record + (whole ? "whole" : "error " + reader.Error());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::size_t piece = 1 + data[0] % 64;
  const std::string_view archive(reinterpret_cast<const char*>(data + 1), size - 1);
  RequireSameText(Read(archive, archive.size() + 1), Read(archive, piece), "the same parts whatever the pieces");
  return 0;
}
