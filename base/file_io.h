#pragma once

#include <string>
#include <string_view>

class ByteBuffer;

// Whole-file input and output. Files are opened per call and closed before
// each call returns, on every path.

// The whole content of a regular file, byte for byte. Throws ConvertError 1
// when the path is empty or the file is missing, empty, not a regular file or
// unreadable, and 4 when fewer bytes arrive than the file holds.
std::string ReadWholeFile(const std::string& path);

// The same into `content`, whose earlier bytes it replaces and whose memory
// it reuses: the form for reading file after file.
void ReadWholeFile(const std::string& path, ByteBuffer& content);

// The whole content of the open file `fd` into `content`, as ReadWholeFile
// does once it has opened its path. Throws ConvertError 1 when `fd` is not a
// regular, non-empty file, and 4 when fewer bytes arrive than it holds.
void ReadOpenFile(int fd, ByteBuffer& content);

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
