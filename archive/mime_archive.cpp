#include "archive/mime_archive.h"

#include <algorithm>
#include <new>
#include <numeric>
#include <string_view>

#include "archive/base64_encoder.h"
#include "archive/content_id.h"
#include "archive/content_type.h"
#include "base/buffer_pool.h"
#include "base/cancellation_flag.h"
#include "base/convert_error.h"
#include "base/ordered_parallel.h"
#include "base/path_text.h"
#include "archive/quoted_printable_encoder.h"
#include "base/utf8_text.h"

namespace {

// How many parts may be read, encoded or waiting to be written at once: the
// writer's one and one ahead for each of the two threads keeps both busy, and
// the memory held is a few parts whatever the archive's size.
constexpr std::size_t kPartsInFlight = 4;

// A part's location is its path with forward slashes; these compare two
// paths as their locations would, byte by byte as std::string does.
unsigned char LocationByte(char c) { return static_cast<unsigned char>(c == '\\' ? '/' : c); }

bool LocationLess(std::string_view a, std::string_view b) {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                      [](char x, char y) { return LocationByte(x) < LocationByte(y); });
}

bool SameLocation(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](char x, char y) { return LocationByte(x) == LocationByte(y); });
}

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

// Whole lines of base64 at a time (57 bytes make one), so that the slices
// join into the encoding of the whole; a cancelled conversion is noticed
// between them rather than after a big file's last byte.
constexpr std::size_t kEncodeSliceBytes = std::size_t{57} << 17;

void AppendBase64InSlices(std::string_view bytes, ByteBuffer& out, const CancellationFlag* cancellation) {
  out.Reserve(out.Size() + (bytes.size() + 2) / 3 * 4 + bytes.size() / 57 + 1);
  for (std::size_t start = 0; start < bytes.size(); start += kEncodeSliceBytes) {
    ThrowIfCancelled(cancellation);
    AppendBase64(bytes.substr(start, kEncodeSliceBytes), out);
  }
}

void WriteText(std::ostream& out, std::string_view text) {
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
}

}  // namespace

CMimeArchive::CMimeArchive(std::uint64_t clockMilliseconds)
    : m_boundary("----=KORVATH_SCRIVANEBUILDER_" + std::to_string(clockMilliseconds)),
      m_charset("iso-8859-1"),
      m_mimeTypes(DefaultMimeTypes()) {
  m_header = "From: <Saved by Korvath Scrivane Builder>\nMIME-Version: 1.0\nContent-Type: multipart/related;\n"
             "\tboundary=\"" +
             m_boundary + "\";\n\ttype=\"text/html\"\n\n";
}

const CMimeArchive::MimeTable& CMimeArchive::DefaultMimeTypes() {
  static const MimeTable table = {
      {"htm", "text/html"},  {"html", "text/html"}, {"shtml", "text/html"},
      {"jpg", "image/jpeg"}, {"jpeg", "image/jpeg"}, {"gif", "image/gif"},
      {"bmp", "image/bmp"},  {"css", "text/css"},   {"js", "application/x-javascript"},
  };
  return table;
}

void CMimeArchive::SetMimeTypes(const MimeTable& mimeTypes) { m_mimeTypes = mimeTypes; }

void CMimeArchive::SetFallbackMimeTypes(const MimeTable& mimeTypes) { m_fallbackMimeTypes = mimeTypes; }

void CMimeArchive::SetLinkStyle(LinkStyle style) { m_linkStyle = style; }

void CMimeArchive::SetMainPart(const std::string& url, std::string_view document) {
  m_mainBody.Clear();
  AppendQuotedPrintable(document, m_mainBody);
  m_mainCharset = CharsetOf(document);
  m_mainUrl = url;
}

void CMimeArchive::AddResourcePartsAndWrite(const std::vector<ResourceFile>& files, const FileReader& reader,
                                            const PartUrl& partUrl,
                                            const std::function<void(std::string_view, bool)>& added,
                                            std::ostream& out) {
  m_parts.clear();
  // The files are made into parts in the order of their locations, the
  // order the parts are written in; files naming the same location follow
  // one another in their own order, so the last good reading wins. The
  // locations are compared without being made, as a page of many
  // references would otherwise hold each path once more.
  std::vector<std::size_t> order(files.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::stable_sort(order.begin(), order.end(),
                   [&](std::size_t a, std::size_t b) { return LocationLess(files[a].path, files[b].path); });
  const auto endsLocation = [&](std::size_t k) {
    return k + 1 == order.size() || !SameLocation(files[order[k + 1]].path, files[order[k]].path);
  };

  // Each body written goes back to the pool, where the next file read or
  // encoded finds its memory. It keeps a buffer for each part in flight and
  // for the file that each of the two threads may be reading.
  BufferPool buffers(kPartsInFlight + 2);
  // Writes the stored parts and gives them up, their bodies to the pool.
  // Files are stored in the order of their locations and written at the end
  // of each location, so what is stored then is that location's part alone
  // and what the writer holds does not grow with the number of parts.
  const auto writeStored = [&] {
    for (auto& [location, part] : m_parts) {
      WritePart(out, location, part);
      buffers.Give(std::move(part.body));
    }
    m_parts.clear();
  };
  // Results wait here until every file before them has its own, so that
  // `added` hears of them in the files' order.
  std::vector<std::optional<bool>> results(files.size());
  std::size_t nextToReport = 0;

  // Files of one path follow one another in that order; the path is read
  // and encoded for the first of them only, and the others share its result,
  // so a file that many references name costs one reading.
  const auto repeatsPath = [&](std::size_t k) { return k > 0 && files[order[k]].path == files[order[k - 1]].path; };

  WriteHead(out);
  ProduceInOrder(
      order.size(), kPartsInFlight,
      [&](std::size_t k) {
        return repeatsPath(k) ? std::nullopt : EncodeResourcePart(files[order[k]], reader, partUrl, buffers);
      },
      [&](std::size_t k, std::optional<EncodedPart> encoded) {
        const std::size_t file = order[k];
        results[file] = repeatsPath(k) ? *results[order[k - 1]] : StorePart(std::move(encoded));
        if (endsLocation(k)) writeStored();
        for (; nextToReport < files.size() && results[nextToReport]; ++nextToReport) {
          added(files[nextToReport].path, *results[nextToReport]);
        }
      });
  WriteEnd(out);
}

std::optional<CMimeArchive::EncodedPart> CMimeArchive::EncodeResourcePart(const ResourceFile& file,
                                                                         const FileReader& reader,
                                                                         const PartUrl& partUrl,
                                                                         BufferPool& buffers) const {
  try {
    const std::string path(file.path);
    ByteBuffer bytes = buffers.Take();
    if (file.bytes) {
      bytes.Append(*file.bytes);
    } else {
      reader.ReadWholeFile(path, bytes, EmptyFile::kAccepted);
    }
    EncodedPart encoded{path, {buffers.Take(), {}, partUrl(file.path), MediaTypeOf(file.type)}};
    ToForwardSlashes(encoded.location);
    if (encoded.part.type.empty() ? IsTextType(path, nullptr) : IsTextMediaType(encoded.part.type)) {
      AppendQuotedPrintable(bytes.View(), encoded.part.body);
      const std::string charset = CharsetParameter(file.type);
      encoded.part.charset = charset.empty() ? CharsetOf(bytes.View()) : charset;
    } else {
      AppendBase64InSlices(bytes.View(), encoded.part.body, reader.Cancellation());
    }
    buffers.Give(std::move(bytes));
    return encoded;
  } catch (...) {
    // Unreadable (ConvertError), or too big to hold (bad_alloc): either way
    // the part cannot be made. A cancelled reading or encoding ends here
    // too; the converter, told the part is missing, asks the flag itself.
    // Everything is caught because this runs on a helper thread too, where
    // an escaping exception would end the process.
    return std::nullopt;
  }
}

bool CMimeArchive::StorePart(std::optional<EncodedPart> encoded) {
  if (!encoded) return false;
  try {
    m_parts.insert_or_assign(std::move(encoded->location), std::move(encoded->part));
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

void CMimeArchive::WriteHead(std::ostream& out) const {
  out.clear();
  WriteText(out, m_header);
  WriteText(out, "--" + m_boundary + "\n");
  WriteText(out, PartHeader(m_mainUrl, true));
  WriteText(out, m_mainBody.View());
  WriteText(out, "\n\n");
}

void CMimeArchive::WritePart(std::ostream& out, const std::string& location, const Part& part) const {
  WriteText(out, "--" + m_boundary + "\n");
  WriteText(out, PartHeader(location, false));
  WriteText(out, part.body.View());
  WriteText(out, "\n\n");
}

void CMimeArchive::WriteEnd(std::ostream& out) const { WriteText(out, "--" + m_boundary + "--\n"); }

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

std::string CMimeArchive::PartHeader(const std::string& location, bool mainPart) const {
  if (mainPart) {
    return TextHeader(m_mainUrl, m_mainUrl, true, m_mainCharset.empty() ? m_charset : m_mainCharset);
  }
  // The form follows the encoding the body was stored with, so that a table
  // changed after the part was added cannot mislabel it.
  const Part& stored = m_parts.at(location);
  return stored.charset.empty() ? BinaryHeader(location, stored.url, stored.type)
                                : TextHeader(location, stored.url, false, stored.charset, stored.type);
}

std::string CMimeArchive::CharsetOf(std::string_view bytes) const {
  return !IsAscii(bytes) && IsValidUtf8(bytes) ? "utf-8" : m_charset;
}

// The page is HTML whatever its name says ("page.php", "README"); only a
// type the options give its extension replaces text/html. The system's table
// is not asked: it would label "page.php" as a PHP program.
std::string CMimeArchive::MainPartType() const {
  const std::string type = TypeFromTable(m_mimeTypes, GetExtension(m_mainUrl));
  return type.empty() ? "text/html" : type;
}

std::string CMimeArchive::TextHeader(const std::string& location, const std::string& url, bool mainPart,
                                     const std::string& charset, std::string type) const {
  if (mainPart) {
    type = MainPartType();
  } else if (type.empty()) {
    IsTextType(location, &type);
  }
  std::string header = "Content-Type: " + type + ";\n\tcharset=\"" + charset + "\"\n" +
                       "Content-Transfer-Encoding: quoted-printable\n";
  if (mainPart) {
    return header + "Content-Location: " + url + "\n\n";
  }
  return header + "Content-Location: " + url + "\n" + ContentIdLine(location) + "\n";
}

std::string CMimeArchive::BinaryHeader(const std::string& location, const std::string& url,
                                       std::string type) const {
  if (type.empty()) IsTextType(location, &type);
  return "Content-Type: " + type + "\nContent-Transfer-Encoding: base64\n" +
         "Content-Location: " + url + "\n" + ContentIdLine(location) + "\n";
}

std::string CMimeArchive::ContentIdLine(const std::string& location) const {
  return m_linkStyle == LinkStyle::Cid ? "Content-ID: <" + ContentIdFromLocation(location) + ">\n" : std::string();
}
