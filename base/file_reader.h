#pragma once

#include <memory>
#include <string>

#include "base/file_io.h"

class ByteBuffer;
class CancellationFlag;

// How one conversion reads the files a page names: anywhere, or only beneath
// one folder. Beneath a folder every file is opened through a descriptor of
// that folder (OpenBeneath), so the kernel refuses a path that leads out at
// the moment of reading, whatever a check by name said earlier. Copies share
// the descriptor; reading from several threads at once is safe.
class FileReader {
 public:
  // Reads any file.
  FileReader();
  // Reads only beneath `folder`, an absolute path without links; when the
  // folder cannot be opened, nothing is read at all.
  explicit FileReader(const std::string& folder);
  ~FileReader();
  FileReader(const FileReader&);
  FileReader& operator=(const FileReader&);

  // ReadWholeFile of an absolute path; beneath a folder, a path not spelled
  // under it or leading out of it through a link throws ConvertError 1.
  std::string ReadWholeFile(const std::string& path, EmptyFile empty = EmptyFile::kRefused) const;
  // The same into `content`, reusing its memory.
  void ReadWholeFile(const std::string& path, ByteBuffer& content, EmptyFile empty = EmptyFile::kRefused) const;
  // The same file opened, to be read in pieces (ReadFileAt).
  OpenedFile Open(const std::string& path, EmptyFile empty = EmptyFile::kRefused) const;

  // The conversion's cancellation, which stops a long reading between its
  // slices and which the writer also asks while it encodes what was read;
  // null when nobody can cancel. Not owned; must outlive the readings.
  void SetCancellation(const CancellationFlag* cancellation) { m_cancellation = cancellation; }
  const CancellationFlag* Cancellation() const { return m_cancellation; }

 private:
  std::string m_folder;                              // empty: any file
  std::shared_ptr<const FileDescriptor> m_folderFd;  // shared by copies; null for any file
  const CancellationFlag* m_cancellation = nullptr;
};
