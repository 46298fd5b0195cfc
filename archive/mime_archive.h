#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "archive/link_style.h"
#include "base/byte_buffer.h"
#include "base/file_reader.h"
#include "base/stamped_cache.h"
#include "base/text_edit.h"

class BufferPool;
class CancellationFlag;
class Utf8Scan;

// Collects the parts of one MHTML web archive (RFC 2557: a
// multipart/related message, RFC 2387) and writes them to a stream, byte
// for byte as the archive file holds them.
class CMimeArchive {
 public:
  using MimeTable = std::map<std::string, std::string>;

  // A file to archive as a resource part. When `bytes` is given, the part
  // holds them instead of the file's own: what the caller made of the file
  // (a page with its references rewritten). When `edits` are given, the part
  // is the file's bytes with those stretches replaced (a stylesheet with its
  // references rewritten), read from the file as it is written. The path
  // still names the part and gives its type.
  struct ResourceFile {
    std::string_view path;                  // not owned; must outlive the call that takes the file
    std::optional<std::string_view> bytes;  // not owned; likewise
    std::span<const TextEdit> edits{};      // not owned; likewise; in the file's order, apart
    // The Content-Type the file came with (a fetched file's, as its server
    // sent it), which then labels the part, its charset kept; empty: the
    // tables label it by the path's extension. Not owned; likewise.
    std::string_view type{};
  };
  // The URL that labels the part of the file at `path` (its
  // Content-Location), which references to it in the page also use. Asked
  // on the writer's threads, once for each part as it is made, so that no
  // list of every part's URL is held.
  using PartUrl = std::function<std::string(std::string_view path)>;

  // A file's part as it is written, without its header: what a run of many
  // conversions keeps of a file that many pages name.
  struct EncodedBody {
    std::string body;
    std::string charset;  // a text part's charset; empty for base64
  };
  // Kept by the file, by whether it is written as text and by the edits
  // made to it (a rewritten stylesheet's are the same for every page of a
  // run that links its parts alike).
  using PartCache = StampedCache<EncodedBody, std::string>;

  // The boundary is made from the process clock's reading, in
  // milliseconds, when the owner builds the writer; every archive the
  // writer writes uses it.
  explicit CMimeArchive(std::uint64_t clockMilliseconds);

  // The table a writer starts with, and the options' default table.
  static const MimeTable& DefaultMimeTypes();

  // With a SOURCE_DATE_EPOCH (seconds), each archive's boundary comes from
  // it and from the main part instead of the clock, so that the same input
  // gives the same bytes; it takes effect from the next SetMainPart.
  // Nothing: the clock's boundary, as the writer was made with.
  void SetSourceDateEpoch(std::optional<std::uint64_t> seconds);
  // Parts of files (not of bytes given instead of a file) are taken from
  // `cache` when kept there, and kept there when made; the cache is not
  // owned and must outlive the writing. Null: each part is made from its file.
  void SetPartCache(PartCache* cache) { m_partCache = cache; }

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
  // closing delimiter; with LinkStyle::Cid each resource part also carries
  // a Content-ID made by ContentIdFromLocation of its path. The parts are
  // written in the order of their paths,
  // byte by byte, a path named by several files once, and all of them share
  // that reading. Whether each file became a part goes to `added`, in the
  // files' order, on the calling thread. Small files are read and encoded on
  // two threads, a few parts ahead of the writing at most; a bigger one is
  // read, encoded and written piece by piece when its turn comes. Memory so
  // holds a few pieces and small parts, never a whole big file nor the
  // archive. A part that memory cannot hold throws std::bad_alloc; a file
  // that fails half-way through its writing throws ConvertError 4, and a
  // reading that the reader's cancellation stops there ConvertError 6; a
  // stream that fails stops the writing, and its error stays in it.
  void AddResourcePartsAndWrite(const std::vector<ResourceFile>& files, const FileReader& reader,
                                const PartUrl& partUrl,
                                const std::function<void(std::string_view path, bool added)>& added, std::ostream& out);

  // True when the extension of `path` maps to one of the three text types;
  // the type found (possibly empty) goes to `type`. The table set by
  // SetMimeTypes is asked first, then the fallback table.
  bool IsTextType(const std::string& path, std::string* type) const;
  // The header of the main part.
  std::string MainPartHeader() const;

  const MimeTable& MimeTypes() const { return m_mimeTypes; }

 private:
  struct PreparedPart;

  // Reads only the file and the writer's tables, so two threads may run it
  // at once; its buffers come from `buffers` and go back there.
  PreparedPart PreparePart(const ResourceFile& file, const FileReader& reader, const PartUrl& partUrl,
                           BufferPool& buffers) const;
  // The file's body from the part cache, made there when not kept; nothing
  // when there is no cache, or the part holds bytes given instead of the
  // file's, or is too big to be made whole. Throws as reading the file does.
  std::shared_ptr<const EncodedBody> CachedBody(const ResourceFile& file, const FileReader& reader) const;
  // The header and the main part; one resource part; the closing delimiter.
  // The stream's error state is cleared first; stream errors stay in it.
  void WriteHead(std::ostream& out) const;
  void WritePart(std::ostream& out, const ResourceFile& file, PreparedPart& part, const CancellationFlag* cancellation,
                 BufferPool& buffers) const;
  void StreamPart(std::ostream& out, const ResourceFile& file, PreparedPart& part, const CancellationFlag* cancellation,
                  BufferPool& buffers) const;
  void WriteEnd(std::ostream& out) const;
  std::string CharsetOf(const Utf8Scan& scan) const;
  std::string MainPartType() const;
  // The file's own type, else the tables' type for its path.
  std::string PartType(const ResourceFile& file) const;
  bool IsTextPart(const ResourceFile& file) const;
  // The charset the file's own type names, else the one its bytes show.
  std::string PartCharset(const ResourceFile& file, const Utf8Scan& scan) const;
  void AppendMainPartHeader(ByteBuffer& out) const;
  // The delimiter and the header of the file's part; an empty charset makes
  // it a base64 part.
  void AppendPartStart(const ResourceFile& file, std::string_view url, std::string_view charset, ByteBuffer& out) const;
  void SetBoundary(std::string boundary);

  std::string m_boundary;
  std::string m_clockBoundary;
  std::optional<std::uint64_t> m_sourceDateEpoch;
  PartCache* m_partCache = nullptr;  // not owned; may be null
  std::string m_charset;
  ByteBuffer m_mainBody;  // encoded
  std::string m_mainCharset;
  std::string m_mainUrl;
  MimeTable m_mimeTypes;
  MimeTable m_fallbackMimeTypes;
  LinkStyle m_linkStyle = LinkStyle::File;
};
