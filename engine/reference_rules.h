#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// How a reference written in a page names a local file: whether it is local
// at all, which file a browser would load for it, and the file URL that
// labels that file's part and replaces the reference.

// True when `reference` names a local file: no scheme at all (relative paths,
// plain names, Windows drive paths) or the file scheme with an empty host or
// "localhost". Every other scheme, file URLs naming another host, and
// network-path references beginning with "//" or "\\", are not local.
// Surrounding blanks and embedded tabs and newlines are ignored, as browsers
// ignore them, so they cannot hide a scheme.
bool IsLocalUrl(const char* reference, std::size_t length);

// The reference an attribute value makes, read as a browser reads it: blanks
// and controls around it and tabs and line breaks inside it ignored, and the
// "about:blank" prefix that a browser's editor leaves before a relative
// reference ("about:blankimages/a.gif") dropped. Nothing when the value names
// no file and stays exactly as written: empty, about:blank itself (with or
// without a query or fragment), or a fragment alone ("#top").
std::optional<std::string> AttributeReference(std::string_view value);

// True when `reference` has no scheme, so that a page's base URL completes
// it: a relative or absolute path. A drive path ("C:/a.gif") has one.
bool IsRelativeReference(std::string_view reference);

// The file a browser would load for a local reference: a file URL becomes
// its path, "?query" and "#fragment" are dropped and %XX escapes decoded.
// Nothing when the reference names only the page itself ("#top", "?x"), a
// file on another host, or a name holding a zero byte, which no file can have.
std::optional<std::string> ReferenceToPath(std::string_view reference);

// The "#fragment" of a reference, with its "#"; empty when it has none.
std::string FragmentOf(std::string_view reference);

// The file URL of a path: "file:///" + the path with forward slashes, or
// "file://" + the path when it already begins with "/", every byte that is
// not a path character of a URL percent-encoded. Content-Location of the
// parts and rewritten references both come from here, so they match, and
// ReferenceToPath gives back the path.
std::string FileUrlFromPath(std::string_view path);
