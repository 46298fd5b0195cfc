#pragma once

#include <gumbo.h>

#include <cstddef>

// Keeps every block gumbo allocates for one parse, and frees what is left
// when it goes: the whole tree in one flat pass (gumbo's own free recurses
// once per nesting level), and also what gumbo forgets to free itself (the
// strings of a doctype inside a noscript in the head, for one).
class GumboArena {
 public:
  GumboArena();
  ~GumboArena();
  GumboArena(const GumboArena&) = delete;
  GumboArena& operator=(const GumboArena&) = delete;

  // Makes gumbo allocate from this arena when parsing with `options`.
  void Install(GumboOptions& options);

 private:
  // Precedes each block gumbo gets; its alignment keeps the block's.
  struct alignas(std::max_align_t) Header {
    Header* previous;
    Header* next;
  };

  static void* Allocate(void* arena, std::size_t size);
  static void Deallocate(void* arena, void* block);

  Header m_blocks;  // the ring of live blocks; this one is none of them
};
