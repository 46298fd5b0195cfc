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
#include "base/byte_buffer.h"
#include "base/file_reader.h"

class BufferPool;

// Collects the parts of one MHTML web archive (RFC 2557: a
// multipart/related message, RFC 2387) and writes them to a text stream.
class CMimeArchive {
 public:
  using MimeTable = std::map<std::string, std::string>;

  struct Part {
    // Encoded; owned. AddResourcePartsAndWrite keeps a part only until it
    // has written it: the archive is streamed.
    ByteBuffer body;
    std::string charset;  // charset of a text part's header; empty for a base64 body
    std::string url;      // its Content-Location
    std::string type;     // its media type when the file's own type gave it; empty: the tables give it
  };

  // A file to archive as a resource part. When `bytes` is given, the part
  // holds them instead of the file's own: what the caller made of the file
  // (a page or stylesheet with its references rewritten). The path still
  // names the part and gives its type.
  struct ResourceFile {
    std::string_view path;                  // not owned; must outlive the call that takes the file
    std::optional<std::string_view> bytes;  // not owned; likewise
    // The Content-Type the file came with (a fetched file's, as its server
    // sent it), which then labels the part, its charset kept; empty: the
    // tables label it by the path's extension. Not owned; likewise.
    std::string_view type;
  };
  // The URL that labels the part of the file at `path` (its
  // Content-Location), which references to it in the page also use. Asked
  // on the writer's threads, once for each part as it is made, so that no
  // list of every part's URL is held.
  using PartUrl = std::function<std::string(std::string_view path)>;

  // The boundary is made from the process clock's reading, in
  // milliseconds, when the owner builds the writer; every archive the
  // writer writes uses it.
  explicit CMimeArchive(std::uint64_t clockMilliseconds);

  // The table a writer starts with, and the options' default table.
  static const MimeTable& DefaultMimeTypes();

  void SetMimeTypes(const MimeTable& mimeTypes);
  // Types for the extensions that the table above lacks, such as the
  // system's media types; that table still wins. Empty at construction.
  void SetFallbackMimeTypes(const MimeTable& mimeTypes);
  void SetLinkStyle(LinkStyle style);
  // Text parts whose bytes are non-ASCII UTF-8 are labelled "utf-8", every
  // other text part with the default charset. `url` is the page's
  // Content-Location.
  void SetMainPart(const std::string& url, std::string_view document);
  // Writes the whole archive to `out`: the header, the main part, a part
  // for each of `files` that `reader` can read or whose bytes are given (an
  // empty file is an empty part), each labelled by `partUrl`, and the
  // closing delimiter. A path named by several files is read once, and all
  // of them share that reading; parts are kept one per location (the last
  // good reading wins when two paths spell one location) and written in the
  // order of their locations; the parts of an earlier archive are gone.
  // Whether each file became a part goes to `added`, in the files' order, on
  // the calling thread. The files are read and encoded on two threads in the
  // order the parts are written, a few parts ahead of the writing at most;
  // each part is written as soon as it is settled, and then given up. Memory
  // so holds the parts in flight, never the whole archive.
  void AddResourcePartsAndWrite(const std::vector<ResourceFile>& files, const FileReader& reader,
                                const PartUrl& partUrl,
                                const std::function<void(std::string_view path, bool added)>& added,
                                std::ostream& out);

  // True when the extension of `path` maps to one of the three text types;
  // the type found (possibly empty) goes to `type`. The table set by
  // SetMimeTypes is asked first, then the fallback table.
  bool IsTextType(const std::string& path, std::string* type) const;
  // The header of the main part, or of the resource part stored and not yet
  // written at `location` (its path with forward slashes). With
  // LinkStyle::Cid a resource part also carries a Content-ID made by
  // ContentIdFromLocation of its location.
  std::string PartHeader(const std::string& location, bool mainPart) const;

  const MimeTable& MimeTypes() const { return m_mimeTypes; }

 private:
  struct EncodedPart {
    std::string location;
    Part part;
  };

  // Reads only the file and the writer's tables, so two threads may run it
  // at once; its buffers come from `buffers`, and the one for the file's
  // bytes goes back there. Nothing when the file cannot be read or encoded.
  std::optional<EncodedPart> EncodeResourcePart(const ResourceFile& file, const FileReader& reader,
                                                const PartUrl& partUrl, BufferPool& buffers) const;
  bool StorePart(std::optional<EncodedPart> encoded);
  // The header and the main part; one resource part; the closing delimiter.
  // The stream's error state is cleared first; stream errors stay in it.
  void WriteHead(std::ostream& out) const;
  void WritePart(std::ostream& out, const std::string& location, const Part& part) const;
  void WriteEnd(std::ostream& out) const;
  std::string CharsetOf(std::string_view bytes) const;
  std::string MainPartType() const;
  // `type` empty: the tables give it.
  std::string TextHeader(const std::string& location, const std::string& url, bool mainPart,
                         const std::string& charset, std::string type = {}) const;
  std::string BinaryHeader(const std::string& location, const std::string& url, std::string type) const;
  std::string ContentIdLine(const std::string& location) const;

  std::string m_header;
  std::string m_boundary;
  std::string m_charset;
  ByteBuffer m_mainBody;  // encoded
  std::string m_mainCharset;
  std::string m_mainUrl;
  std::map<std::string, Part> m_parts;  // by location: the parts stored and not yet written
  MimeTable m_mimeTypes;
  MimeTable m_fallbackMimeTypes;
  LinkStyle m_linkStyle = LinkStyle::File;
};
