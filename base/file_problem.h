#pragma once

#include <string>

// What the system finds wrong with a path, in its own words ("No such file or
// directory", "Is a directory", "Permission denied"...), asked once an
// operation has failed, so that a message can say why. Empty when nothing is
// found wrong any more.

// Why the file at `path` cannot be read: missing, a folder, not a regular
// file, empty, or not open to this process.
std::string ReadProblem(const std::string& path);

// Why no file can be made at `path`: a folder is there, or its folder is
// missing, not a folder, or not writable.
std::string WriteProblem(const std::string& path);

// "`path`: `problem`", or `path` alone when the problem is not known.
std::string PathWithProblem(const std::string& path, const std::string& problem);
