#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/file_descriptor.h"

class ByteBuffer;
class CancellationFlag;

// Whole-file input and output. Files are opened per call and closed before
// each call returns, on every path.

// Whether a file of no bytes counts as read: a page must have content, a
// resource (an empty stylesheet) need not.
enum class EmptyFile { kRefused, kAccepted };

// The whole content of a regular file, byte for byte. Throws ConvertError 1
// when the path is empty or the file is missing, empty (unless accepted), not
// a regular file or unreadable, and 4 when fewer bytes arrive than the file
// holds; std::bad_alloc when it is too big to hold, which is not the file's
// fault.
std::string ReadWholeFile(const std::string& path, EmptyFile empty = EmptyFile::kRefused);

// The same into `content`, whose earlier bytes it replaces and whose memory
// it reuses: the form for reading file after file. A set `cancellation`
// stops a long reading between its slices with ConvertError kCancelled.
void ReadWholeFile(const std::string& path, ByteBuffer& content, EmptyFile empty = EmptyFile::kRefused,
                   const CancellationFlag* cancellation = nullptr);

// A regular file opened for reading in pieces, and its size when opened.
struct OpenedFile {
  FileDescriptor fd;
  std::uint64_t size = 0;
};

// The file ReadWholeFile would read, open; the same failures.
OpenedFile OpenRegularFile(const std::string& path, EmptyFile empty = EmptyFile::kRefused);
OpenedFile OpenRegularFileBeneath(int folderFd, const std::string& path, EmptyFile empty = EmptyFile::kRefused);

// Exactly `size` bytes from `offset` of the file into `buffer`; throws
// ConvertError 4 when fewer arrive (the file shrank, or could not be read).
// A set `cancellation` stops a long reading between its slices.
void ReadFileAt(const OpenedFile& file, std::uint64_t offset, char* buffer, std::size_t size,
                const CancellationFlag* cancellation = nullptr);
// The whole file into `content`, whose earlier bytes it replaces; the same
// failures, and std::bad_alloc.
void ReadOpenedFile(const OpenedFile& file, ByteBuffer& content, const CancellationFlag* cancellation = nullptr);

// Replaces the file with `content`, byte for byte. The bytes go to a
// temporary file in the same folder that is then renamed over the target, so
// a failure leaves any earlier file intact.
// Throws ConvertError 2 when the path is empty or the file cannot be created,
// 5 when the write comes up short. Returns true.
bool WriteWholeFile(const std::string& path, std::string_view content);

// Appends `text`, byte for byte. Returns false when the file
// cannot be opened or positioned; throws ConvertError 2 for an empty path and
// 5 for a short write.
bool AppendToFile(const std::string& path, std::string_view text);
