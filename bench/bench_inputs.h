#pragma once

#include <cstddef>
#include <string>

// Deterministic inputs for the benchmarks, made on first use and kept for the
// rest of the run, so that every benchmark of one size sees the same bytes.

// Lines of prose and markup as a page, stylesheet or script holds them:
// mostly printable ASCII, now and then an "=", a UTF-8 letter, a line that
// starts with "." or ends in a space.
const std::string& TextInput(std::size_t size);

// Bytes as incompressible as those of a photograph.
const std::string& BinaryInput(std::size_t size);

// An HTML page of cards with headings, paragraphs, images, links and tables.
const std::string& PageInput(std::size_t size);

// Script code in which every twentieth line preloads an image by assigning a
// quoted name to a .src property.
const std::string& ScriptInput(std::size_t size);
