#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// True when `reference` names a local file: no scheme at all (relative paths,
// plain names, Windows drive paths) or the file scheme. Every other scheme,
// and network-path references beginning with "//" or "\\", are not local.
// Surrounding blanks and embedded tabs and newlines are ignored, as browsers
// ignore them, so they cannot hide a scheme.
bool IsLocalUrl(const char* reference, std::size_t length);

// The file URL of a path: "file:///" + the path with forward slashes, or
// "file://" + the path when it already begins with "/". Content-Location of
// resource parts and rewritten references both come from here, so they match.
std::string FileUrlFromPath(std::string_view path);

// Content-ID of the part at `location`: 16 hex digits of a 64-bit hash of the
// location, then "@scrivane". Deterministic, so archives stay reproducible.
std::string ContentIdFromLocation(std::string_view location);
