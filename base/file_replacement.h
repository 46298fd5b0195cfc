#pragma once

#include <memory>
#include <string>
#include <string_view>

// A file written in pieces that replaces its target only when committed, so
// that a large text can go to disk as it is produced instead of being
// gathered whole first. The bytes reach the file unchanged. They go to a
// temporary file in the target's folder, created at the first write; Commit
// renames it over the target. Until then the target keeps its earlier
// content, and a replacement that is destroyed uncommitted removes its
// temporary file.
class FileReplacement {
 public:
  explicit FileReplacement(std::string path);
  ~FileReplacement();
  FileReplacement(const FileReplacement&) = delete;
  FileReplacement& operator=(const FileReplacement&) = delete;

  // False once the file could not be created or written; what comes after
  // a failure is dropped, and Commit reports it.
  bool Write(std::string_view text);

  // Throws ConvertError 2 when the path is empty or the file cannot be
  // created or put in place of the target, 5 when writing or storing it came
  // up short. A replacement commits once.
  void Commit();

 private:
  class Temporary;

  bool Open();

  std::string m_path;
  std::unique_ptr<Temporary> m_temporary;  // owned; null until the first write
  bool m_createFailed = false;
  bool m_writeFailed = false;
  int m_writeErrno = 0;  // why the write failed, for the message
};
