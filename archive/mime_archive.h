#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "archive/link_style.h"
#include "base/file_reader.h"

// Collects the parts of one MHTML web archive (RFC 2557: a
// multipart/related message, RFC 2387) and writes them to a text stream.
class CMimeArchive {
 public:
  using MimeTable = std::map<std::string, std::string>;

  struct Part {
    std::string body;     // encoded; owned
    std::string charset;  // charset of a text part's header; empty for a base64 body
    std::string url;      // its Content-Location
  };

  // A file to archive as a resource part, and the URL that labels the part
  // (its Content-Location), which references to it in the page also use.
  // When `bytes` is given, the part holds them instead of the file's own:
  // what the caller made of the file (a page or stylesheet with its
  // references rewritten). The path still names the part and gives its type.
  struct ResourceFile {
    ResourceFile(std::string filePath, std::string partUrl, std::optional<std::string_view> givenBytes = {})
        : path(std::move(filePath)), url(std::move(partUrl)), bytes(givenBytes) {}

    std::string path;
    std::string url;
    std::optional<std::string_view> bytes;  // not owned; must outlive the call that takes the file
  };

  // The boundary comes from the process clock at construction.
  CMimeArchive();
  // The boundary from a given clock value, for reproducible archives.
  explicit CMimeArchive(std::uint64_t clockMilliseconds);
  virtual ~CMimeArchive();

  void SetMimeTypes(const MimeTable& mimeTypes);
  // Types for the extensions that the table above lacks, such as the
  // system's media types; that table still wins. Empty at construction.
  void SetFallbackMimeTypes(const MimeTable& mimeTypes);
  void SetLinkStyle(LinkStyle style);
  // Text parts whose bytes are non-ASCII UTF-8 are labelled "utf-8", every
  // other text part with the default charset. `url` is the page's
  // Content-Location.
  void SetMainPart(const std::string& url, std::string_view document);
  // Reads the file through `reader` (or takes its given bytes) and encodes
  // it at once; false when it cannot be read. An empty file is an empty part. Parts are kept one per
  // path, in the order of their paths.
  bool AddResourcePart(const ResourceFile& file, const FileReader& reader = FileReader());
  // AddResourcePart for each file in order, each result handed to `added`
  // in that order on the calling thread, then Write: the same archive text
  // and the same calls. The files are read and encoded on two threads, and
  // each part is written as soon as the parts before it are settled.
  void AddResourcePartsAndWrite(const std::vector<ResourceFile>& files, const FileReader& reader,
                                const std::function<void(const std::string& path, bool added)>& added,
                                std::ostream& out);
  void ClearParts();
  void Write(std::ostream& out) const;

  // True when the extension of `path` maps to one of the three text types;
  // the type found (possibly empty) goes to `type`. The table set by
  // SetMimeTypes is asked first, then the fallback table.
  bool IsTextType(const std::string& path, std::string* type) const;
  // The header of the main part, or of the stored resource part at
  // `location` (its path with forward slashes). With LinkStyle::Cid a
  // resource part also carries a Content-ID made by ContentIdFromLocation of
  // its location.
  std::string PartHeader(const std::string& location, bool mainPart) const;

  const std::string& Boundary() const { return m_boundary; }
  const std::map<std::string, Part>& Parts() const { return m_parts; }
  const MimeTable& MimeTypes() const { return m_mimeTypes; }

 private:
  struct EncodedPart {
    std::string location;
    Part part;
  };

  // Reads only the file and the writer's tables, so two threads may run it
  // at once. Nothing when the file cannot be read or encoded.
  std::optional<EncodedPart> EncodeResourcePart(const ResourceFile& file, const FileReader& reader) const;
  bool StorePart(std::optional<EncodedPart> encoded);
  // The header and the main part; one resource part; the closing delimiter.
  void WriteHead(std::ostream& out) const;
  void WritePart(std::ostream& out, const std::string& location, const Part& part) const;
  void WriteEnd(std::ostream& out) const;
  std::string CharsetOf(std::string_view bytes) const;
  std::string MainPartType() const;
  std::string TextHeader(const std::string& location, const std::string& url, bool mainPart,
                         const std::string& charset) const;
  std::string BinaryHeader(const std::string& location, const std::string& url) const;
  std::string ContentIdLine(const std::string& location) const;

  std::string m_header;
  std::string m_boundary;
  std::string m_charset;
  std::string m_mainBody;
  std::string m_mainCharset;
  std::string m_mainUrl;
  std::map<std::string, Part> m_parts;
  MimeTable m_mimeTypes;
  MimeTable m_fallbackMimeTypes;
  LinkStyle m_linkStyle = LinkStyle::File;
};
