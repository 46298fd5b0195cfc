#pragma once

#include <string>
#include <string_view>

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
// holds.
std::string ReadWholeFile(const std::string& path, EmptyFile empty = EmptyFile::kRefused);

// The same into `content`, whose earlier bytes it replaces and whose memory
// it reuses: the form for reading file after file. A set `cancellation`
// stops a long reading between its slices with ConvertError kErrorCancelled.
void ReadWholeFile(const std::string& path, ByteBuffer& content, EmptyFile empty = EmptyFile::kRefused,
                   const CancellationFlag* cancellation = nullptr);

// ReadWholeFile of `path`, relative, opened beneath the folder `folderFd`
// (OpenBeneath): a path that leads out of the folder is refused with 1.
void ReadWholeFileBeneath(int folderFd, const std::string& path, ByteBuffer& content,
                          EmptyFile empty = EmptyFile::kRefused, const CancellationFlag* cancellation = nullptr);

// Replaces the file with `content`, a carriage return written before every
// line feed. The bytes go to a temporary file in the same folder that is then
// renamed over the target, so a failure leaves any earlier file intact.
// Throws ConvertError 2 when the path is empty or the file cannot be created,
// 5 when the write comes up short. Returns true.
bool WriteWholeFile(const std::string& path, std::string_view content);

// Appends `text`, a carriage return written before every line feed. Returns
// false when the file cannot be opened or positioned; throws ConvertError 2
// for an empty path and 5 for a short write.
bool AppendToFile(const std::string& path, std::string_view text);
