#pragma once

#include <optional>
#include <string>
#include <string_view>

// Only the 26 ASCII capitals change; bytes from 0x80 up stay as they are.
std::string ToLower(std::string_view text);

// Lower-cased, every run of backslashes made one backslash. Forward slashes,
// dot segments and percent escapes stay as they are.
std::string NormalizeReference(std::string_view reference);

// Extension of the file name without its dot; empty when there is none or
// the name ends in a dot. Backslash and forward slash both separate folders.
// At most 255 characters, the longest a file name component can be.
std::string GetExtension(std::string_view path);

void ToForwardSlashes(std::string& text);

// `path` made absolute against `folder`, itself absolute, and normalized
// lexically ("." and ".." segments folded, backslashes taken as separators);
// an empty path gives the folder itself. Nothing when the folder is not
// absolute or the result would not fit in PATH_MAX bytes.
std::optional<std::string> MakeFullPath(std::string_view path, std::string_view folder);

// A path the user gave, made absolute against the current folder and
// normalized lexically like MakeFullPath, but as the file system reads it: a
// backslash is a byte of a name. Nothing when the current folder cannot be
// read or the result would not fit in PATH_MAX bytes.
std::optional<std::string> MakeFullPath(std::string_view path);

// A path the user gave, made absolute against the current folder as written:
// nothing is folded, so the kernel finds through it the file it would have
// found through `path` from here. Unchanged when it is already absolute or
// empty, or when the current folder cannot be read.
std::string AbsolutePath(const std::string& path);
