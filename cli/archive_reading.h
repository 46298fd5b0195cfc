#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "cli/page_urls.h"

class MimeReader;
struct MimePart;

// What the three archive commands share: reading the archive's file through
// a reader, which parts are pages, and how URLs are shown and compared.

// Feeds the file at `path` to `reader` piece by piece and finishes it, as
// long as `keepGoing` says so. False, with `error`, when the file cannot be
// read or the reader stops; the reader's own error is its Error().
bool ReadArchiveFile(const std::string& path, MimeReader& reader, const std::function<bool()>& keepGoing,
                     std::string& error);

// The kind of a part whose URLs are read; nothing for other types.
std::optional<PageKind> PageKindOf(std::string_view type);

// The largest page or stylesheet whose URLs are read or rewritten: a part
// must be held whole for that, and memory stays bounded.
inline constexpr std::size_t kLargestPageText = 32 * 1024 * 1024;

// A URL or name fit for a line of output: control characters, spaces and
// backslashes as "%XX".
std::string Printable(std::string_view text);

// "part N (LOCATION)", as problems name a part.
std::string PartName(const MimePart& part);

// The form in which a URL and a part's location are compared: without its
// fragment, "%XX" escapes decoded. A "cid:" URL's key is the Content-ID's.
std::string UrlKey(std::string_view url);
std::string ContentIdKey(std::string_view contentId);

// The key of `url` as the part at `location` names it, when it names a part
// the archive must hold: a "cid:" URL always, and an absolute "file:" URL
// that the page embeds, the form a writer gives a local file it archived.
// Empty otherwise: a writer leaves a reference relative, or remote, when it
// did not take the file (a stylesheet's images, unless archiving is
// complete), and a browser saves what it loaded, not every URL a page names.
std::string RequiredPartKey(const PageUrl& url, std::string_view location);
