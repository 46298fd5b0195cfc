#include "archive/mime_archive.h"

#include <chrono>
#include <new>

#include "archive/base64_encoder.h"
#include "archive/content_id.h"
#include "base/convert_error.h"
#include "base/ordered_parallel.h"
#include "base/path_text.h"
#include "archive/quoted_printable_encoder.h"
#include "base/utf8_text.h"

namespace {

// Taken during static initialisation, which is as close to the process's
// start as a library can get.
const std::chrono::steady_clock::time_point kProcessStart = std::chrono::steady_clock::now();

std::uint64_t MillisecondsSinceStart() {
  const auto elapsed = std::chrono::steady_clock::now() - kProcessStart;
  return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
}

const CMimeArchive::MimeTable& DefaultMimeTypes() {
  static const CMimeArchive::MimeTable table = {
      {"htm", "text/html"},  {"html", "text/html"}, {"shtml", "text/html"},
      {"jpg", "image/jpeg"}, {"jpeg", "image/jpeg"}, {"gif", "image/gif"},
      {"bmp", "image/bmp"},  {"css", "text/css"},   {"js", "application/x-javascript"},
  };
  return table;
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

void WriteText(std::ostream& out, std::string_view text) {
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
}

}  // namespace

CMimeArchive::CMimeArchive() : CMimeArchive(MillisecondsSinceStart()) {}

CMimeArchive::CMimeArchive(std::uint64_t clockMilliseconds)
    : m_boundary("----=KORVATH_SCRIVANEBUILDER_" + std::to_string(clockMilliseconds)),
      m_charset("iso-8859-1"),
      m_mimeTypes(DefaultMimeTypes()) {
  m_header = "From: <Saved by Korvath Scrivane Builder>\nMIME-Version: 1.0\nContent-Type: multipart/related;\n"
             "\tboundary=\"" +
             m_boundary + "\";\n\ttype=\"text/html\"\n\n";
}

CMimeArchive::~CMimeArchive() = default;

void CMimeArchive::SetMimeTypes(const MimeTable& mimeTypes) { m_mimeTypes = mimeTypes; }

void CMimeArchive::SetFallbackMimeTypes(const MimeTable& mimeTypes) { m_fallbackMimeTypes = mimeTypes; }

void CMimeArchive::SetLinkStyle(LinkStyle style) { m_linkStyle = style; }

void CMimeArchive::SetMainPart(const std::string& url, std::string_view document) {
  m_mainBody = EncodeQuotedPrintable(document.data(), static_cast<std::int64_t>(document.size()));
  m_mainCharset = CharsetOf(document);
  m_mainUrl = url;
}

bool CMimeArchive::AddResourcePart(const ResourceFile& file, const FileReader& reader) {
  return StorePart(EncodeResourcePart(file, reader));
}

void CMimeArchive::AddResourcePartsAndWrite(const std::vector<ResourceFile>& files, const FileReader& reader,
                                            const std::function<void(const std::string&, bool)>& added,
                                            std::ostream& out) {
  // How many of the paths not yet settled name each location. A location is
  // written once it and every location before it are settled, so writing
  // goes on while later files are still being read and encoded.
  std::map<std::string, std::size_t> unsettled;
  for (const auto& [location, part] : m_parts) unsettled.emplace(location, 0);
  std::vector<std::string> locations;
  locations.reserve(files.size());
  for (const ResourceFile& file : files) {
    locations.push_back(file.path);
    ToForwardSlashes(locations.back());
    ++unsettled[locations.back()];
  }
  auto nextToWrite = unsettled.begin();
  const auto writeSettled = [&] {
    for (; nextToWrite != unsettled.end() && nextToWrite->second == 0; ++nextToWrite) {
      const auto stored = m_parts.find(nextToWrite->first);
      if (stored != m_parts.end()) WritePart(out, stored->first, stored->second);
    }
  };

  WriteHead(out);
  writeSettled();
  ProduceInOrder(
      files.size(), [&](std::size_t i) { return EncodeResourcePart(files[i], reader); },
      [&](std::size_t i, std::optional<EncodedPart> encoded) {
        added(files[i].path, StorePart(std::move(encoded)));
        --unsettled.find(locations[i])->second;
        writeSettled();
      });
  WriteEnd(out);
}

std::optional<CMimeArchive::EncodedPart> CMimeArchive::EncodeResourcePart(const ResourceFile& file,
                                                                         const FileReader& reader) const {
  try {
    std::string read;
    if (!file.bytes) read = reader.ReadWholeFile(file.path, EmptyFile::kAccepted);
    const std::string_view bytes = file.bytes ? *file.bytes : std::string_view(read);
    EncodedPart encoded{file.path, {}};
    ToForwardSlashes(encoded.location);
    encoded.part.url = file.url;
    if (IsTextType(file.path, nullptr)) {
      encoded.part.body = EncodeQuotedPrintable(bytes.data(), static_cast<std::int64_t>(bytes.size()));
      encoded.part.charset = CharsetOf(bytes);
    } else {
      encoded.part.body = EncodeBase64(bytes.data(), bytes.size());
    }
    return encoded;
  } catch (...) {
    // Unreadable, or too big to hold: either way the part cannot be made.
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

void CMimeArchive::ClearParts() { m_parts.clear(); }

void CMimeArchive::Write(std::ostream& out) const {
  WriteHead(out);
  for (const auto& [location, part] : m_parts) WritePart(out, location, part);
  WriteEnd(out);
}

void CMimeArchive::WriteHead(std::ostream& out) const {
  out.clear();
  WriteText(out, m_header);
  WriteText(out, "--" + m_boundary + "\n");
  WriteText(out, PartHeader(m_mainUrl, true));
  WriteText(out, m_mainBody);
  WriteText(out, "\n\n");
}

void CMimeArchive::WritePart(std::ostream& out, const std::string& location, const Part& part) const {
  WriteText(out, "--" + m_boundary + "\n");
  WriteText(out, PartHeader(location, false));
  WriteText(out, part.body);
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
  return stored.charset.empty() ? BinaryHeader(location, stored.url)
                                : TextHeader(location, stored.url, false, stored.charset);
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
                                     const std::string& charset) const {
  std::string type;
  if (mainPart) {
    type = MainPartType();
  } else {
    IsTextType(location, &type);
  }
  std::string header = "Content-Type: " + type + ";\n\tcharset=\"" + charset + "\"\n" +
                       "Content-Transfer-Encoding: quoted-printable\n";
  if (mainPart) {
    return header + "Content-Location: " + url + "\n\n";
  }
  return header + "Content-Location: " + url + "\n" + ContentIdLine(location) + "\n";
}

std::string CMimeArchive::BinaryHeader(const std::string& location, const std::string& url) const {
  std::string type;
  IsTextType(location, &type);
  return "Content-Type: " + type + "\nContent-Transfer-Encoding: base64\n" +
         "Content-Location: " + url + "\n" + ContentIdLine(location) + "\n";
}

std::string CMimeArchive::ContentIdLine(const std::string& location) const {
  return m_linkStyle == LinkStyle::Cid ? "Content-ID: <" + ContentIdFromLocation(location) + ">\n" : std::string();
}
