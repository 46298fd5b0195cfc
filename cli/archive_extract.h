#pragma once

#include <ostream>
#include <string>

// Writes every part of the archive at `path` as a file beneath `folder`
// (made when missing), named by PartFileName, and then points the URLs of
// the page and stylesheet parts at the files, and declares in a page the
// charset only its part's header gave, so that the main page opens from the
// folder as it showed from the archive. One line per file goes to
// `out`: its name, a tab, the part's location.
//
// Nothing is written outside the folder and no symbolic link is followed or
// made: every file and folder is made relative to a descriptor of the one
// above it, with O_NOFOLLOW, and a file is only ever made new (O_EXCL). A
// name taken, by a part before or by what the folder held, gets "-2", "-3"...
// A part that does not decode leaves no file. False, with the reasons on
// `err`, when a part or the archive was broken or a file could not be written.
bool ExtractArchive(const std::string& path, const std::string& folder, std::ostream& out, std::ostream& err);
