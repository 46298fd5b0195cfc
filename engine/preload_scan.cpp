#include "engine/preload_scan.h"

#include <boost/cregex.hpp>
#include <exception>
#include <new>
#include <optional>
#include <utility>
#include <vector>

namespace {

// Every backslash is one character of the pattern. Group 1 is the opening
// quote (the comma counts as one), group 2 the name up to the first quote
// like it: a name holds no white space and no quote, so minified scripts
// that put assignments side by side (a.src="x.gif";b.src="y.gif") give one
// match each.
constexpr const char* kAssignmentPattern = "\\.src\\s*=\\s*([\\\",\\'])([^\\s\\\"\\']*?)\\1";
constexpr const char* kQuotedNamePattern = "([\\\",\\'])([^\\s\\\"\\']*?)\\1";

}  // namespace

std::vector<std::string> AssignedImageNames(const std::string& text) {
  std::vector<std::string> names;
  try {
    boost::RegEx assignment(kAssignmentPattern, true);
    std::vector<std::string> matches;
    assignment.Grep(matches, text.c_str());  // stops at the first zero byte
    boost::RegEx quotedName(kQuotedNamePattern, false);
    for (const std::string& match : matches) {
      if (quotedName.Search(match)) names.push_back(quotedName.What(2));
    }
  } catch (const std::bad_alloc&) {
    throw;  // the conversion reports it as what it is
  } catch (const std::exception&) {
    // A match too complex for the library (its regex_error) ends the scan;
    // the page is still converted, with whatever was found before.
  }
  return names;
}
