#include <boost/cregex.hpp>
#include <exception>
#include <new>
#include <optional>
#include <utility>
#include <vector>

#include "engine/converter.h"
#include "engine/preload_scan.h"

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

// Images that script code loads by assigning a quoted name to a .src
// property appear in no attribute; they are found in the text itself.
void CConverter::ScanPreloadedImages(const std::string& text) {
  ScriptScan scan{AssignedImageNames(text), {}, {}};
  ReportPreloadScan(scan);
}

// Registering a name again against the base it was resolved against adds
// nothing, so a kept scan met again under that base only repeats its
// warnings; under another base (a frame's page) every name is resolved anew.
void CConverter::ReportPreloadScan(ScriptScan& scan) {
  m_log.Write(LogLevel::INFO, "Checking for preloaded images...");
  // A fetched page's scripts name no file on this disk: against its URL,
  // none is found.
  std::pair<std::string, bool> base{m_base.Location(), m_base.remote};
  if (scan.resolvedAgainst == base) {
    for (const std::string& path : scan.outsidePaths) m_resolver.LogOutsideAllowedFolder(path);
  } else {
    scan.outsidePaths.clear();
    for (const std::string& name : scan.names) {
      const std::optional<std::string> path = m_resolver.AbsoluteFilePath(name, m_base);
      if (!path) continue;
      if (m_resolver.IsUnderAllowedRoot(*path)) {
        m_resources.Register(name, *path);
      } else {
        m_resolver.LogOutsideAllowedFolder(*path);
        scan.outsidePaths.push_back(*path);
      }
    }
    scan.resolvedAgainst = std::move(base);
  }
  if (!scan.names.empty()) {
    m_log.Write(LogLevel::INFO, "%d preloaded images found", static_cast<int>(scan.names.size()));
  } else {
    m_log.Write(LogLevel::INFO, "No preloaded images found");
  }
}
