#include "archive/mime_archive.h"

#include <algorithm>
#include <new>
#include <numeric>
#include <string_view>

#include "archive/archive_boundary.h"
#include "archive/base64_encoder.h"
#include "archive/content_id.h"
#include "archive/content_type.h"
#include "archive/mhtml_format.h"
#include "archive/quoted_printable_encoder.h"
#include "base/buffer_pool.h"
#include "base/cancellation_flag.h"
#include "base/convert_error.h"
#include "base/file_io.h"
#include "base/file_stamp.h"
#include "base/ordered_parallel.h"
#include "base/path_text.h"
#include "base/utf8_text.h"

namespace {

// What a cached part's body depends on besides its file: how it is encoded
// and what was put in place of some of its bytes, each edit written out
// whole, so that two different rewritings never share a body.
std::string PartCacheKind(bool text, std::span<const TextEdit> edits) {
  std::string kind(text ? "text" : "binary");
  for (const TextEdit& edit : edits) {
    kind += ' ' + std::to_string(edit.begin) + ' ' + std::to_string(edit.end) + ' ' + std::to_string(edit.text.size()) +
            ' ' + edit.text;
  }
  return kind;
}

// How many parts may be read, encoded or waiting to be written at once: the
// writer's one and one ahead for each of the two threads keeps both busy, and
// the memory held is a few parts whatever the archive's size.
constexpr std::size_t kPartsInFlight = 4;

// A file up to this size is made into its part whole, on either thread; a
// bigger one is streamed by the writer, so no part in memory is bigger.
constexpr std::uint64_t kWholePartBytes = std::uint64_t{2} << 20;

// Files are read this much at a time: whole lines of base64, so that every
// piece but the last encodes without a remainder.
constexpr std::size_t kPieceBytes = Base64Encoder::kLineBytes * 16 * 1024;

bool IsTextMimeType(const std::string& type) {
  return type == "text/html" || type == "text/css" || type == "application/x-javascript";
}

// References keep the case they were written in, so "LOGO.GIF" must still
// find "gif"; an entry written exactly as the extension wins.
std::string TypeFromTable(const CMimeArchive::MimeTable& table, const std::string& extension) {
  if (extension.empty()) return {};
  auto entry = table.find(extension);
  if (entry == table.end()) entry = table.find(ToLower(extension));
  return entry == table.end() ? std::string() : entry->second;
}

void WriteText(std::ostream& out, std::string_view text) {
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
}

// Calls `piece` with the part's bytes in order, a piece at a time, until it
// answers false: views of the given bytes, or of `buffer`, into which the
// file is read, with the edits' texts in between. An edit that does not fit
// the file (which has changed since it was made) is left out. False when a
// piece stopped it. A set `cancellation` is noticed between pieces, rather
// than after a big file's last byte.
template <typename Piece>
bool ForEachPiece(const CMimeArchive::ResourceFile& file, const OpenedFile* opened,
                  const CancellationFlag* cancellation, ByteBuffer& buffer, Piece&& piece) {
  const std::uint64_t size = file.bytes ? file.bytes->size() : opened->size;
  const auto pieces = [&](std::uint64_t from, std::uint64_t to) {
    for (std::uint64_t at = from; at < to;) {
      ThrowIfCancelled(cancellation);
      const auto count = static_cast<std::size_t>(std::min<std::uint64_t>(kPieceBytes, to - at));
      if (file.bytes) {
        if (!piece(file.bytes->substr(static_cast<std::size_t>(at), count))) return false;
      } else {
        buffer.Resize(count);
        ReadFileAt(*opened, at, buffer.Data(), count);
        if (!piece(buffer.View())) return false;
      }
      at += count;
    }
    return true;
  };
  std::uint64_t at = 0;
  for (const TextEdit& edit : file.edits) {
    if (edit.begin < at || edit.end < edit.begin || edit.end > size) continue;
    if (!pieces(at, edit.begin) || !piece(std::string_view(edit.text))) return false;
    at = edit.end;
  }
  return pieces(at, size);
}

// Encodes the part's bytes into `body`, as quoted-printable when `text`
// (scanned by `scan` on the way) and as base64 otherwise; `encoded` is
// called after each piece, and once more at the end, and stops the
// encoding by answering false.
template <typename Encoded>
bool EncodePieces(const CMimeArchive::ResourceFile& file, const OpenedFile* opened,
                  const CancellationFlag* cancellation, bool text, Utf8Scan* scan, ByteBuffer& buffer, ByteBuffer& body,
                  Encoded&& encoded) {
  if (text) {
    QuotedPrintableEncoder encoder;
    const bool whole = ForEachPiece(file, opened, cancellation, buffer, [&](std::string_view piece) {
      if (scan != nullptr) scan->Append(piece);
      encoder.Append(piece, body);
      return encoded();
    });
    if (!whole) return false;
    encoder.Finish(body);
  } else {
    Base64Encoder encoder;
    const bool whole = ForEachPiece(file, opened, cancellation, buffer, [&](std::string_view piece) {
      encoder.Append(piece, body);
      return encoded();
    });
    if (!whole) return false;
    encoder.Finish(body);
  }
  return encoded();
}

}  // namespace

// A file made ready for its part: encoded whole, or opened to be streamed.
struct CMimeArchive::PreparedPart {
  enum class State { Unreadable, OutOfMemory, Encoded, Streamed };
  State state = State::Unreadable;
  std::string url;                   // its Content-Location
  ByteBuffer head;                   // Encoded: the delimiter and the part's header
  ByteBuffer body;                   // Encoded: the whole body and what follows it
  std::optional<OpenedFile> opened;  // Streamed: the file, unless its bytes are given
};

CMimeArchive::CMimeArchive(std::uint64_t clockMilliseconds)
    : m_clockBoundary(ClockBoundary(clockMilliseconds)), m_charset("iso-8859-1"), m_mimeTypes(DefaultMimeTypes()) {
  SetBoundary(m_clockBoundary);
}

void CMimeArchive::SetBoundary(std::string boundary) { m_boundary = std::move(boundary); }

void CMimeArchive::SetSourceDateEpoch(std::optional<std::uint64_t> seconds) { m_sourceDateEpoch = seconds; }

const CMimeArchive::MimeTable& CMimeArchive::DefaultMimeTypes() {
  static const MimeTable table = {
      {"htm", "text/html"},  {"html", "text/html"},  {"shtml", "text/html"},
      {"jpg", "image/jpeg"}, {"jpeg", "image/jpeg"}, {"gif", "image/gif"},
      {"bmp", "image/bmp"},  {"css", "text/css"},    {"js", "application/x-javascript"},
  };
  return table;
}

// A run of many conversions sets the same tables for each page: comparing
// them costs no allocation, copying them a thousand.
void CMimeArchive::SetMimeTypes(const MimeTable& mimeTypes) {
  if (m_mimeTypes != mimeTypes) m_mimeTypes = mimeTypes;
}

void CMimeArchive::SetFallbackMimeTypes(const MimeTable& mimeTypes) {
  if (m_fallbackMimeTypes != mimeTypes) m_fallbackMimeTypes = mimeTypes;
}

void CMimeArchive::SetLinkStyle(LinkStyle style) { m_linkStyle = style; }

void CMimeArchive::SetMainPart(const std::string& url, std::string_view document) {
  m_mainBody.Clear();
  AppendQuotedPrintable(document, m_mainBody);
  Utf8Scan scan;
  scan.Append(document);
  m_mainCharset = CharsetOf(scan);
  m_mainUrl = url;
  SetBoundary(m_sourceDateEpoch ? ReproducibleBoundary(*m_sourceDateEpoch, m_mainUrl, m_mainBody.View())
                                : m_clockBoundary);
}

void CMimeArchive::AddResourcePartsAndWrite(const std::vector<ResourceFile>& files, const FileReader& reader,
                                            const PartUrl& partUrl,
                                            const std::function<void(std::string_view, bool)>& added,
                                            std::ostream& out) {
  // The files are made into parts in the order of their paths, the order
  // the parts are written in; files naming the same path follow one another.
  std::vector<std::size_t> order(files.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::stable_sort(order.begin(), order.end(),
                   [&](std::size_t a, std::size_t b) { return files[a].path < files[b].path; });
  // The path is read and encoded for the first of them only, and the others
  // share its result, so a file that many references name costs one reading.
  const auto repeatsPath = [&](std::size_t k) { return k > 0 && files[order[k]].path == files[order[k - 1]].path; };

  // Each body written goes back to the pool, where the next file read or
  // encoded finds its memory. It keeps a body and a piece buffer for each
  // part in flight, and for the part being streamed.
  BufferPool buffers(2 * kPartsInFlight + 2);
  // Results wait here until every file before them has its own, so that
  // `added` hears of them in the files' order.
  std::vector<std::optional<bool>> results(files.size());
  std::size_t nextToReport = 0;

  WriteHead(out);
  ProduceInOrder(
      order.size(), kPartsInFlight,
      [&](std::size_t k) {
        return repeatsPath(k) ? PreparedPart{} : PreparePart(files[order[k]], reader, partUrl, buffers);
      },
      [&](std::size_t k, PreparedPart part) {
        const std::size_t file = order[k];
        if (repeatsPath(k)) {
          results[file] = *results[order[k - 1]];
        } else if (part.state == PreparedPart::State::OutOfMemory) {
          throw std::bad_alloc();
        } else {
          results[file] = part.state != PreparedPart::State::Unreadable;
          // After a failed write nothing more can reach the archive, which
          // its owner will not keep.
          if (*results[file] && out) WritePart(out, files[file], part, reader.Cancellation(), buffers);
        }
        for (; nextToReport < files.size() && results[nextToReport]; ++nextToReport) {
          added(files[nextToReport].path, *results[nextToReport]);
        }
      });
  WriteEnd(out);
}

CMimeArchive::PreparedPart CMimeArchive::PreparePart(const ResourceFile& file, const FileReader& reader,
                                                     const PartUrl& partUrl, BufferPool& buffers) const {
  PreparedPart part;
  try {
    part.url = partUrl(file.path);
    if (const auto cached = CachedBody(file, reader)) {
      AppendPartStart(file, part.url, cached->charset, part.head);
      part.body = buffers.Take();
      part.body.Append(cached->body);
      AppendPartEnd(part.body);
      part.state = PreparedPart::State::Encoded;
      return part;
    }
    if (!file.bytes) part.opened = reader.Open(std::string(file.path), EmptyFile::kAccepted);
    const std::uint64_t size = file.bytes ? file.bytes->size() : part.opened->size;
    if (size > kWholePartBytes) {
      part.state = PreparedPart::State::Streamed;
      return part;
    }
    const bool text = IsTextPart(file);
    ByteBuffer buffer = buffers.Take();
    part.body = buffers.Take();
    part.body.Reserve(static_cast<std::size_t>(size + size / 2 + 64));
    Utf8Scan scan;
    EncodePieces(file, part.opened ? &*part.opened : nullptr, reader.Cancellation(), text, &scan, buffer, part.body,
                 [] { return true; });
    buffers.Give(std::move(buffer));
    AppendPartStart(file, part.url, text ? PartCharset(file, scan) : std::string(), part.head);
    AppendPartEnd(part.body);
    part.opened.reset();
    part.state = PreparedPart::State::Encoded;
  } catch (const ConvertError&) {
    // A cancelled reading ends here too: the writer, told the part is
    // missing, asks the flag itself.
    part.state = PreparedPart::State::Unreadable;
  } catch (const std::bad_alloc&) {
    // Told to the writing thread, which ends the archive: a part left out
    // for want of memory would be a loss reported as success.
    part.state = PreparedPart::State::OutOfMemory;
  } catch (...) {
    // Nothing else is thrown by reading and encoding; should it be, the
    // file is left out as unreadable, since this runs on a helper thread
    // too, where an escaping exception would end the process.
    part.state = PreparedPart::State::Unreadable;
  }
  return part;
}

std::shared_ptr<const CMimeArchive::EncodedBody> CMimeArchive::CachedBody(const ResourceFile& file,
                                                                          const FileReader& reader) const {
  if (m_partCache == nullptr || file.bytes) return nullptr;
  const std::string path(file.path);
  const std::optional<FileStamp> stamp = StampOfFile(path);
  if (!stamp || stamp->size > kWholePartBytes) return nullptr;
  const bool text = IsTextType(path, nullptr);
  return m_partCache->FindOrMake(*stamp, PartCacheKind(text, file.edits), [&] {
    const OpenedFile opened = reader.Open(path, EmptyFile::kAccepted);
    ByteBuffer buffer;
    ByteBuffer body;
    Utf8Scan scan;
    EncodePieces(file, &opened, reader.Cancellation(), text, &scan, buffer, body, [] { return true; });
    auto encoded = std::make_shared<EncodedBody>(EncodedBody{std::string(body.View()), text ? CharsetOf(scan) : ""});
    const std::size_t size = encoded->body.size() + encoded->charset.size();
    return std::make_pair(std::shared_ptr<const EncodedBody>(std::move(encoded)), size);
  });
}

void CMimeArchive::WriteHead(std::ostream& out) const {
  out.clear();
  ByteBuffer text;
  AppendArchiveHeader(m_boundary, text);
  AppendDelimiter(m_boundary, text);
  AppendMainPartHeader(text);
  WriteText(out, text.View());
  WriteText(out, m_mainBody.View());
  text.Clear();
  AppendPartEnd(text);
  WriteText(out, text.View());
}

void CMimeArchive::WritePart(std::ostream& out, const ResourceFile& file, PreparedPart& part,
                             const CancellationFlag* cancellation, BufferPool& buffers) const {
  if (part.state == PreparedPart::State::Streamed) {
    StreamPart(out, file, part, cancellation, buffers);
    return;
  }
  WriteText(out, part.head.View());
  WriteText(out, part.body.View());
  buffers.Give(std::move(part.body));
}

// The header comes first and names a text part's charset, so a text part is
// read twice: once for its charset, once to encode it. A file that fails
// half-way has its header and part of its body in the archive already, which
// can then only fail.
void CMimeArchive::StreamPart(std::ostream& out, const ResourceFile& file, PreparedPart& part,
                              const CancellationFlag* cancellation, BufferPool& buffers) const {
  const OpenedFile* opened = part.opened ? &*part.opened : nullptr;
  const bool text = IsTextPart(file);
  ByteBuffer buffer = buffers.Take();
  std::string charset;
  if (text) {
    Utf8Scan scan;
    ForEachPiece(file, opened, cancellation, buffer, [&](std::string_view piece) {
      scan.Append(piece);
      return true;
    });
    charset = PartCharset(file, scan);
  }
  ByteBuffer body = buffers.Take();
  AppendPartStart(file, part.url, charset, body);
  WriteText(out, body.View());
  body.Clear();
  const bool whole = EncodePieces(file, opened, cancellation, text, nullptr, buffer, body, [&] {
    WriteText(out, body.View());
    body.Clear();
    return static_cast<bool>(out);
  });
  if (whole) {
    AppendPartEnd(body);
    WriteText(out, body.View());
  }
  buffers.Give(std::move(buffer));
  buffers.Give(std::move(body));
}

void CMimeArchive::WriteEnd(std::ostream& out) const {
  ByteBuffer text;
  AppendCloseDelimiter(m_boundary, text);
  WriteText(out, text.View());
}

bool CMimeArchive::IsTextType(const std::string& path, std::string* type) const {
  const std::string extension = GetExtension(path);
  std::string found = TypeFromTable(m_mimeTypes, extension);
  if (found.empty()) found = TypeFromTable(m_fallbackMimeTypes, extension);
  const bool text = IsTextMimeType(found);
  if (type != nullptr) {
    *type = std::move(found);
  }
  return text;
}

std::string CMimeArchive::MainPartHeader() const {
  ByteBuffer text;
  AppendMainPartHeader(text);
  return std::string(text.View());
}

void CMimeArchive::AppendMainPartHeader(ByteBuffer& out) const {
  const std::string type = MainPartType();
  AppendPartHeader({.type = type, .charset = m_mainCharset.empty() ? m_charset : m_mainCharset, .location = m_mainUrl},
                   out);
}

std::string CMimeArchive::CharsetOf(const Utf8Scan& scan) const {
  return !scan.IsAscii() && scan.IsValidUtf8() ? "utf-8" : m_charset;
}

// The page is HTML whatever its name says ("page.php", "README"); only a
// type the options give its extension replaces text/html. The system's table
// is not asked: it would label "page.php" as a PHP program.
std::string CMimeArchive::MainPartType() const {
  const std::string type = TypeFromTable(m_mimeTypes, GetExtension(m_mainUrl));
  return type.empty() ? "text/html" : type;
}

// The form follows the encoding the body was made with: a charset for
// quoted-printable, none for base64. A type no table knows is said as RFC
// 2046 says an unknown one is: plain bytes.
std::string CMimeArchive::PartType(const ResourceFile& file) const {
  if (!file.type.empty()) return MediaTypeOf(file.type);
  std::string type;
  IsTextType(std::string(file.path), &type);
  return type;
}

bool CMimeArchive::IsTextPart(const ResourceFile& file) const {
  return file.type.empty() ? IsTextType(std::string(file.path), nullptr) : IsTextMediaType(MediaTypeOf(file.type));
}

std::string CMimeArchive::PartCharset(const ResourceFile& file, const Utf8Scan& scan) const {
  const std::string named = CharsetParameter(file.type);
  return named.empty() ? CharsetOf(scan) : named;
}

void CMimeArchive::AppendPartStart(const ResourceFile& file, std::string_view url, std::string_view charset,
                                   ByteBuffer& out) const {
  const std::string type = PartType(file);
  const std::string contentId = m_linkStyle == LinkStyle::Cid ? ContentIdFromLocation(file.path) : std::string();
  AppendDelimiter(m_boundary, out);
  AppendPartHeader({.type = type, .charset = charset, .location = url, .contentId = contentId}, out);
}
