#pragma once

#include <cstddef>
#include <functional>

// Told, on the converting thread, how far the archive has come: how many of
// the page's files have been settled (stored or given up) out of how many
// were found. It is first told (0, found) once discovery is over, then once
// per file in the order the files are written, ending at (found, found). A
// front end uses it to show progress; it must neither throw nor touch the
// converter.
using ConversionProgress = std::function<void(std::size_t partsWritten, std::size_t partsFound)>;
