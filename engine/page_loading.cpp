#include <unistd.h>

#include "base/file_io.h"
#include "base/path_text.h"
#include "engine/converter.h"
#include "engine/html_document.h"
#include "engine/page_decoding.h"
#include "engine/reference_rules.h"

namespace {

// The folder part of a path, with its trailing separator; both slashes
// separate. Empty when the path names no folder.
std::string FolderOf(const std::string& path) {
  const std::size_t lastSeparator = path.find_last_of("/\\");
  return lastSeparator == std::string::npos ? std::string() : path.substr(0, lastSeparator + 1);
}

// The folder as the file system spells it: a file URL becomes its path and
// backslashes separate folders, as they do for references.
std::string FileSystemFolder(const std::string& folder) {
  std::string path = ReferenceToPath(folder).value_or(folder);
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
  return path;
}

}  // namespace

bool CConverter::LoadDocument(const std::string& path) {
  try {
    std::string text = DecodePageToUtf8(ReadWholeFile(path));
    if (const std::size_t zero = text.find('\0'); zero != std::string::npos) text.resize(zero);
    m_document->Load(text);
    ApplyBaseLocation(path);
    ScanPreloadedImages(text);
  } catch (const std::exception&) {
    // ConvertError from reading, HtmlError from parsing, bad_alloc from a
    // page too big to hold: each means the input cannot be opened.
    m_log.Write(LogLevel::ERROR, "Failed to load input file (%s)\n", path.c_str());
    return false;
  }
  m_inputLocation = path;
  ToForwardSlashes(m_inputLocation);
  return true;
}

// A page without a base element says nothing; one whose first base element
// has no href says so in the log and keeps its own folder.
void CConverter::ApplyBaseLocation(const std::string& path) {
  std::string base = path;
  const std::vector<HtmlElement> bases = m_document->ElementsByTagName("base");
  if (!bases.empty()) {
    if (const std::optional<std::string> href = m_document->GetAttribute(bases.front(), "href")) {
      base = *href;
      m_log.Write(LogLevel::INFO, "Found custom base: %s", base.c_str());
    } else {
      m_log.Write(LogLevel::INFO, "No custom base, keep default: %s", base.c_str());
    }
  }

  const std::string folder = FolderOf(base);
  const std::string fileSystemFolder = FileSystemFolder(folder);
  if (fileSystemFolder.empty() || access(fileSystemFolder.c_str(), F_OK) != 0) {
    m_log.Write(LogLevel::ERROR, "Cannot access: %s", folder.c_str());
  } else if (chdir(fileSystemFolder.c_str()) != 0) {
    m_log.Write(LogLevel::ERROR, "Cannot change directory to: %s", folder.c_str());
  }
}
