#pragma once

#include <map>
#include <string>
#include <vector>

#include "base/text_edit.h"

class ReferenceResolver;

// The parts whose bytes a complete archive's discovery made from their
// files, each kept under the file's identity, so that however a path is
// spelt it finds its part.
// Ownership: owns the bytes and edits, from the walk that made them until
// the next walk clears them; CompleteDiscovery owns it and fills it,
// BuildArchive reads it through CompleteDiscovery. The resolver (which
// tells a file's identity) is CConverter's, which outlives it.
class RewrittenParts {
 public:
  enum class Kind { Stylesheet, FramePage, Svg };
  struct Part {
    Kind kind;
    std::string bytes;            // a frame page's markup, or an SVG file's text, its references rewritten
    std::vector<TextEdit> edits;  // what a stylesheet's references become in its file
  };

  explicit RewrittenParts(const ReferenceResolver& resolver) : m_resolver(resolver) {}

  void Clear() { m_parts.clear(); }
  // `identity` is ReferenceResolver::FileIdentity of the file's path.
  void Put(const std::string& identity, Part part) { m_parts[identity] = std::move(part); }
  // The part made for the file at `path`, if any.
  const Part* Find(const std::string& path) const;

 private:
  const ReferenceResolver& m_resolver;
  std::map<std::string, Part> m_parts;  // by file identity
};
