#include <boost/cregex.hpp>
#include <exception>
#include <vector>

#include "engine/converter.h"

namespace {

// Every backslash is one character of the pattern. Group 1 is the opening
// quote (the comma counts as one), group 2 the name up to the first quote
// like it: a name holds no white space and no quote, so minified scripts
// that put assignments side by side (a.src="x.gif";b.src="y.gif") give one
// match each.
constexpr const char* kAssignmentPattern = "\\.src\\s*=\\s*([\\\",\\'])([^\\s\\\"\\']*?)\\1";
constexpr const char* kQuotedNamePattern = "([\\\",\\'])([^\\s\\\"\\']*?)\\1";

}  // namespace

// Images that script code loads by assigning a quoted name to a .src
// property appear in no attribute; they are found in the text itself.
void CConverter::ScanPreloadedImages(const std::string& text) {
  int count = 0;
  try {
    m_log.Write(LogLevel::INFO, "Checking for preloaded images...");
    boost::RegEx assignment(kAssignmentPattern, true);
    std::vector<std::string> matches;
    assignment.Grep(matches, text.c_str());  // stops at the first zero byte
    boost::RegEx quotedName(kQuotedNamePattern, false);
    for (const std::string& match : matches) {
      if (!quotedName.Search(match)) continue;
      ++count;
      ResolveReference(quotedName.What(2));
    }
  } catch (const std::exception&) {
    // A match too complex for the library (its regex_error), or matches
    // that outgrow memory (bad_alloc), end the scan; the page is still
    // converted, with whatever was registered before.
  }
  if (count > 0) {
    m_log.Write(LogLevel::INFO, "%d preloaded images found", count);
  } else {
    m_log.Write(LogLevel::INFO, "No preloaded images found");
  }
}
