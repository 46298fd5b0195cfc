#pragma once

#include <string>
#include <string_view>

struct MimePart;

// The names under which an archive's parts are extracted: relative paths
// with "/" between folders that stay beneath the extraction folder whatever
// the archive says. No component is empty, ".", "..", longer than a file
// name may be, or holds a slash, a backslash or a control character; what
// the archive named that way is changed, never taken as a way out.

// The name for `part`: the path of its location below `mainFolderUrl` (the
// main page's location up to its last slash) when it lies there; else below
// "_external/", its host and path; else the Content-ID (of a "cid:"
// location, or the part's own), or "part-N". An
// extension the part's type calls for is added where the name has none, and
// a page or style sheet always ends in ".html" (or ".htm") or ".css", so
// that the folder opens as a page.
std::string PartFileName(const MimePart& part, std::string_view mainFolderUrl);

// `name` with "-N" before the extension of its last component, for the
// N-th name tried when the ones before are taken.
std::string NumberedName(std::string_view name, int number);

// `name` as one component: its slashes made underscores, for when a folder
// of its path cannot be made.
std::string FlatName(std::string_view name);
