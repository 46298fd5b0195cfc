#pragma once

#include <ostream>
#include <string>

// Checks that the archive at `path` is whole: it reads to its closing
// delimiter, every part decodes, every "cid:" URL and every local file
// ("file:") that a page or stylesheet part embeds has its part, and no two
// parts share a location. Writes one line per problem to `out` and gives
// false, or a line saying the archive is whole and gives true. Why the file
// could not be read at all goes to `err`.
bool VerifyArchive(const std::string& path, std::ostream& out, std::ostream& err);
