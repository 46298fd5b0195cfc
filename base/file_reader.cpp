#include "base/file_reader.h"

#include "base/byte_buffer.h"

#include <fcntl.h>

#include "base/convert_error.h"
#include "base/file_descriptor.h"
#include "base/file_io.h"

FileReader::FileReader() = default;

FileReader::FileReader(const std::string& folder)
    : m_folder(folder),
      m_folderFd(std::make_shared<const FileDescriptor>(::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC))) {}

FileReader::~FileReader() = default;
FileReader::FileReader(const FileReader&) = default;
FileReader& FileReader::operator=(const FileReader&) = default;

std::string FileReader::ReadWholeFile(const std::string& path, EmptyFile empty) const {
  ByteBuffer content;
  ReadWholeFile(path, content, empty);
  return std::string(content.View());
}

void FileReader::ReadWholeFile(const std::string& path, ByteBuffer& content, EmptyFile empty) const {
  ReadOpenedFile(Open(path, empty), content, m_cancellation);
}

OpenedFile FileReader::Open(const std::string& path, EmptyFile empty) const {
  if (!m_folderFd) {
    return OpenRegularFile(path, empty);
  }
  // The part of the path below the folder; "/" holds every absolute path.
  const std::size_t below = m_folder == "/" ? 1 : m_folder.size() + 1;
  if (!m_folderFd->IsOpen() || path.size() <= below || path.compare(0, below - 1, m_folder, 0, below - 1) != 0 ||
      path[below - 1] != '/') {
    throw ConvertError(ConvertReason::kInputOpen);
  }
  return OpenRegularFileBeneath(m_folderFd->Get(), path.substr(below), empty);
}
